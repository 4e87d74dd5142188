#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "ArchiveTestSupport.h"
#include "HandlerTestAccess.h"
#include "SystemFacts.h"
#include "TempDir.h"
#include "library/io/FaultInjection.h"
#include "library/OrvanException.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace {

using Dorv::Orvan::Framework::Common::Archive;
using Dorv::Orvan::Framework::Common::FaultInjection;
using Dorv::Orvan::Framework::Common::OrvanIoException;
using orvan::library::testing::ReadBytes;
using orvan::platform::FromPath;
using orvan::testing::PlatformCapture;
using orvan::testing::TempDir;

class DriverTest : public ::testing::Test {
protected:
    std::wstring ArchivePath() const { return FromPath(temp_.Path() / "exportORVAN.orvan"); }
    std::filesystem::path Out() const { return temp_.Path() / "temp"; }

    // The filled record, its one attachment the file Befund.txt, its tree twice.
    structOrvanOnePatientComm Rich() const {
        std::ofstream(temp_.Path() / "Befund.txt", std::ios::binary) << "Befund\n";
        structOrvanOnePatientComm r = orvan::record::testing::FilledRoot();
        auto& trees = r.sPatientInfo.vecDocumentTree;
        for (auto& leaf : trees[0].mapDocumentLeaf[1]) {
            leaf.sDocument.bstrFilename = FromPath(temp_.Path() / "Befund.txt");
        }
        trees.push_back(trees[0]);
        return r;
    }
    // Saves an archive of one tree whose i-th leaf shows a document of the
    // i-th stored name and ID, holding "content <i>".
    void SaveDocuments(const std::vector<std::pair<std::wstring, std::int64_t>>& documents) const {
        model::OrvanStructure structure(L"x");
        auto* tree = structure.NewPatientInfo()->NewDocumentTree();
        for (std::size_t i = 0; i < documents.size(); ++i) {
            const std::filesystem::path source = temp_.Path() / ("content-" + std::to_string(i));
            std::ofstream(source, std::ios::binary) << "content " << i;
            auto* document = structure.NewDocument();
            document->ImportFile(FromPath(source));
            document->Filename = documents[i].first;
            document->ID = documents[i].second;
            tree->NewDocumentLeaf()->DocumentRefID = document;
        }
        structure.Save(ArchivePath());
    }
    int ExportRich() {
        structOrvanOnePatientComm record = Rich();
        return Export(record);
    }
    int Export(structOrvanOnePatientComm& record) {
        COrvanHandler handler;
        return handler.DoOrvanExport(ArchivePath(), &record);
    }
    structOrvanOnePatientComm Import(const std::wstring& folder) {
        structOrvanOnePatientComm record;
        COrvanHandler handler;
        EXPECT_EQ(handler.DoOrvanImport(ArchivePath(), folder, &record), 1);
        return record;
    }
    void ImportFails(const std::wstring& folder) {
        structOrvanOnePatientComm record;
        COrvanHandler handler;
        EXPECT_THROW(handler.DoOrvanImport(ArchivePath(), folder, &record), OrvanIoException);
    }

    TempDir temp_;
    PlatformCapture capture_;
};

// The scratch save lies beside the archive, not in the temporary folder, so
// that no second copy is written; it becomes the archive, and what a killed
// export left there goes.
TEST_F(DriverTest, TheExportWritesOneDocumentPerAttachmentAndReadsTheArchiveBack) {
    structOrvanOnePatientComm record = Rich();
    std::ofstream(temp_.Path() / ".exportORVAN.orvan.tmp-a1B2c3", std::ios::binary) << "half a scratch archive";
    ASSERT_EQ(Export(record), 1);
    EXPECT_EQ(orvan::testing::LinkCount(temp_.Path() / "exportORVAN.orvan"), 1u) << "the scratch file's own name went";
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(temp_.Path() / "exportORVAN.orvan"));
    for (const auto& entry : std::filesystem::directory_iterator(temp_.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
    const Archive archive(ArchivePath());
    EXPECT_EQ(archive.Title, L"Titel");
    EXPECT_EQ(archive.Language, L"fr");
    EXPECT_EQ(archive.OrvanId, L"2.16.1");
    const model::OrvanStructure structure(archive);
    EXPECT_EQ(structure.Document.Count(), 1u) << "four leaves in two trees show one attachment";
    EXPECT_EQ(structure.Address.Count(), 5u) << "author, recipient, manufacturer, patient, one producer";
    const auto& trees = structure.PatientInfo[0]->DocumentTree;
    EXPECT_EQ(trees[0]->DocumentLeaf[1]->DocumentRefID, trees[1]->DocumentLeaf[0]->DocumentRefID);
    // The first line traced is the scratch archive's path. The read-back imported without writing files; its
    // trace shows the documents by name only.
    const auto lines = capture_.TraceLines();
    EXPECT_EQ(std::filesystem::path(lines.at(0)).parent_path(), temp_.Path()) << orvan::platform::ToUtf8(lines[0]);
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"...Befund.txt 1"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"Software: 'DemoPraxis' '3.0'"), lines.end());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"'text4.3' 'text4.5'"), 2) << "the patient's address twice";
}

// Attachments land as plain files directly inside the folder, whatever the
// archive named them, and within one import none replaces another: each
// distinct document gets its own file and record, whatever names and IDs the
// archive repeats.
TEST_F(DriverTest, EveryAttachmentGetsItsOwnPlainFileInsideTheFolder) {
    using namespace std::string_literals;
    const std::wstring a127n = std::wstring(127, L'\u00e4') + L"n";  // 255 bytes in UTF-8
    const struct {
        const char* name;
        std::vector<std::pair<std::wstring, std::int64_t>> documents;  // stored name, ID
        std::vector<std::string> written;
        std::vector<std::string> writtenOnWindows = {};  // where Windows names them otherwise
    } cases[] = {
        {"names with folders", {{L"../../escape.txt", 1}, {L"/etc/passwd", 2}, {L"a/b.txt", 3}, {L"C:\\x\\report.pdf", 4}},
         {"escape.txt", "passwd", "b.txt", "report.pdf"}},
        {"names with nothing usable", {{L"..", 7}, {L"", 8}}, {"document-7", "document-8"}},
        {"names of devices to Windows", {{L"nul\0tail"s, 1}, {L"CON.txt", 2}}, {"nul", "CON.txt"}, {"document-1", "document-2"}},
        {"names beyond ASCII", {{L"Bericht \u00fc.pdf", 1}, {L"Befund \U0001F600.pdf", 2}},
         {"Bericht \u00fc.pdf", "Befund \U0001F600.pdf"}},
        {"same name in two folders", {{L"a/Befund.txt", 1}, {L"b/Befund.txt", 2}}, {"Befund.txt", "Befund (2).txt"}},
        {"a stored name equal to a made one", {{L"document-7", 1}, {L"", 7}}, {"document-7", "document-7 (2)"}},
        {"an ID equal in its low 32 bits", {{L"a.txt", 5}, {L"b.txt", (std::int64_t{1} << 32) + 5}}, {"a.txt", "b.txt"}},
        {"the same ID twice", {{L"a.txt", 5}, {L"a.txt", 5}, {L"a (2).txt", 6}}, {"a.txt", "a (2).txt", "a (2) (2).txt"}},
        {"a numbered name taken before its number comes", {{L"a (2).txt", 1}, {L"a.txt", 2}, {L"a.txt", 3}},
         {"a (2).txt", "a.txt", "a (3).txt"}},
        {"names as long as a name may be, and a byte longer",
         {{std::wstring(255, L'n'), 1}, {std::wstring(256, L'n'), 2}, {a127n, 3}, {std::wstring(128, L'\u00e4'), 4}},
         {std::string(255, 'n'), "document-2", orvan::platform::ToUtf8(a127n), "document-4"}},
        {"a name of a temporary file", {{L".x.tmp-abcdef", 1}}, {"document-1"}},
        {"names of one file on Windows", {{L"Report.txt", 1}, {L"report.txt", 2}, {L"REPORT.TXT.", 3}},
         {"Report.txt", "report.txt", "REPORT.TXT."}, {"Report.txt", "report (2).txt", "REPORT (3).TXT"}},
        {"letters of one case class", {{L"\u03a3.txt", 1}, {L"\u03c3.txt", 2}, {L"\u03c2.txt", 3}},
         {"\u03a3.txt", "\u03c3.txt", "\u03c2.txt"}, {"\u03a3.txt", "\u03c3 (2).txt", "\u03c2 (3).txt"}},
        {"a made name against a stored one", {{L"DOCUMENT-1", 2}, {L"CON", 1}}, {"DOCUMENT-1", "CON"},
         {"DOCUMENT-1", "document-1 (2)"}},
        {"names of temporary files to Windows", {{L".x.tmp-abcdef.", 1}, {L".y.TMP-abcdef", 2}},
         {".x.tmp-abcdef.", ".y.TMP-abcdef"}, {"document-1", "document-2"}},
        {"names Windows forbids", {{L"a.txt:evil", 1}, {L"what?.txt", 2}, {L"COM\u00b9.txt", 3}, {L". .", 4}},
         {"a.txt:evil", "what?.txt", "COM\u00b9.txt", ". ."}, {"a.txt_evil", "what_.txt", "document-3", "document-4"}},
    };
    const bool windows = orvan::platform::kPathSeparator == L'\\';
    for (const auto& c : cases) {
        std::filesystem::remove_all(Out());
        std::filesystem::create_directory(Out());
        SaveDocuments(c.documents);
        const auto before = std::distance(std::filesystem::directory_iterator(temp_.Path()), {});
        const structOrvanOnePatientComm record = Import(FromPath(Out()));
        const auto& leaves = record.sPatientInfo.vecDocumentTree.at(0).mapDocumentLeaf.at(1);
        const auto& written = windows && !c.writtenOnWindows.empty() ? c.writtenOnWindows : c.written;
        ASSERT_EQ(leaves.size(), written.size()) << c.name;
        for (std::size_t i = 0; i < written.size(); ++i) {
            const auto path = Out() / orvan::platform::ToPath(orvan::platform::FromUtf8(written[i]));
            EXPECT_EQ(ReadBytes(path), "content " + std::to_string(i)) << c.name << ": " << written[i];
            EXPECT_EQ(leaves[i].sDocument.bstrFilename, FromPath(path)) << c.name;
            EXPECT_EQ(leaves[i].sDocument.lID, static_cast<std::int32_t>(c.documents[i].second)) << c.name;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Out()), {}),
                  static_cast<std::ptrdiff_t>(written.size()))
            << c.name << ": no other file, no temporary file left";
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.Path()), {}), before)
            << c.name << ": nothing appears outside the attachment folder";
    }
}

// A short 8.3 alias reaches the long-named file it stands for (Windows): an
// attachment named so leaves that file alone.
TEST_F(DriverTest, AShortAliasOfAFileThereReplacesNothing) {
    std::filesystem::create_directory(Out());
    std::ofstream(Out() / "Long File Name.txt") << "older";
    const std::wstring alias = orvan::testing::ShortName(Out() / "Long File Name.txt");
    if (alias.empty() || alias == L"Long File Name.txt") {
        GTEST_SKIP() << "this file system gives no short names";
    }
    SaveDocuments({{alias, 1}});
    Import(FromPath(Out()));
    EXPECT_EQ(ReadBytes(Out() / (alias.substr(0, alias.find(L'.')) + L" (2)" + alias.substr(alias.find(L'.')))), "content 0");
    EXPECT_EQ(ReadBytes(Out() / "Long File Name.txt"), "older");
}

TEST_F(DriverTest, ADocumentWithoutContentKeepsItsRecordWithoutAFile) {
    {
        model::OrvanStructure structure(L"x");
        auto* tree = structure.NewPatientInfo()->NewDocumentTree();
        auto* empty = structure.NewDocument();
        empty->ID = 3;
        empty->Filename = L"leer.pdf";
        empty->MimeType = L"application/pdf";
        empty->Size = 12;
        std::ofstream(temp_.Path() / "full.txt") << "full";
        auto* full = structure.NewDocument();
        full->ImportFile(FromPath(temp_.Path() / "full.txt"));
        full->ID = 4;
        for (auto* document : {empty, full, empty}) {
            tree->NewDocumentLeaf()->DocumentRefID = document;
        }
        structure.Save(ArchivePath());
    }
    std::filesystem::create_directory(Out());
    const structOrvanOnePatientComm record = Import(FromPath(Out()));
    const auto& leaves = record.sPatientInfo.vecDocumentTree.at(0).mapDocumentLeaf.at(1);
    ASSERT_EQ(leaves.size(), 3u);
    structOrvanDocument expected;
    expected.lID = 3;
    expected.bstrMimeType = L"application/pdf";
    expected.lSize = 12;
    EXPECT_EQ(leaves[0].sDocument, expected) << "everything but a file";
    EXPECT_EQ(leaves[2].sDocument, expected);
    EXPECT_EQ(leaves[0].dtDate, -73046.0) << "a leaf without a date has none";
    EXPECT_EQ(ReadBytes(Out() / "full.txt"), "full") << "the import goes on";
    const auto lines = capture_.TraceLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"...leer.pdf 3: no content, no file written"), lines.end());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Out()), {}), 1);
}

TEST_F(DriverTest, AttachmentsAreNeverWrittenThroughALinkOrIntoWhatIsNoFolder) {
    ASSERT_EQ(ExportRich(), 1);
    const std::filesystem::path elsewhere = temp_.Path() / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    if (!orvan::testing::TryLink(elsewhere, Out())) {
        GTEST_SKIP() << "no symbolic links here (Windows without the privilege)";
    }
    ImportFails(FromPath(Out()));
    ImportFails(FromPath(Out()) + L"/");
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    std::filesystem::remove(Out());
    std::ofstream(Out()) << "a file";
    ImportFails(FromPath(Out()));
    EXPECT_EQ(ReadBytes(Out()), "a file");
}

TEST_F(DriverTest, AReadBackThatThrowsLeavesNoPointerToItsRecord) {
    structOrvanOnePatientComm record = Rich();
    COrvanHandler handler;
    COrvanHandlerTestAccess access(handler);
    // The read-back's attachment folder is refused: it throws after it took the scratch record.
    access.SetAttachmentFolder(FromPath(temp_.Path() / "Befund.txt"));
    EXPECT_THROW(handler.DoOrvanExport(ArchivePath(), &record), OrvanIoException);
    EXPECT_TRUE(access.RecordUnbound());
}

// What stands where an attachment goes is replaced, a link as well as an
// older file, and never written through; the file is the owner's only. The
// temporary files a killed import left are removed, none of another form.
// Both ways of writing attachments: extracted ahead, and the usual way (while
// a test fault is armed).
TEST_F(DriverTest, AttachmentFolderWithOrWithoutSlashAndWhatStandsThereReplaced) {
    ASSERT_EQ(ExportRich(), 1);
    std::filesystem::create_directory(Out());
    const std::filesystem::path victim = temp_.Path() / "victim.txt";
    std::ofstream(victim, std::ios::binary) << "untouched";
    const std::filesystem::path stale = Out() / ".Befund.txt.tmp-a1B2c3";
    const std::filesystem::path mine = Out() / "Befund.txt.tmp-a1B2c3";  // not of the form of ours
    std::ofstream(mine, std::ios::binary) << "kept";
    for (const bool ahead : {true, false}) {
        std::filesystem::remove(Out() / "Befund.txt");
        orvan::testing::TryLink(victim, Out() / "Befund.txt");  // where this user may make links at all
        for (const std::wstring& folder : {FromPath(Out()), FromPath(Out()) + L"/"}) {
            std::ofstream(stale, std::ios::binary) << "half an attachment";
            std::optional<FaultInjection> usualWay;  // any fault armed leaves the attachments to the usual way
            if (!ahead) {
                usualWay.emplace(FaultInjection::FailThread("AttachmentsAhead"));
            }
            const auto imported = Import(folder);
            // The folder as given, the system's separator added where it ends without one.
            EXPECT_EQ(imported.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf.at(1)[1].sDocument.bstrFilename,
                      folder.ends_with(L'/') ? folder + L"Befund.txt" : FromPath(Out() / "Befund.txt"));
            EXPECT_EQ(ReadBytes(Out() / "Befund.txt"), "Befund\n");
            EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(Out() / "Befund.txt")));
            EXPECT_TRUE(orvan::testing::IsOwnerOnly(Out() / "Befund.txt"));
            EXPECT_FALSE(std::filesystem::exists(stale));
            std::ofstream(Out() / "Befund.txt") << "old content";  // for the next import to replace
        }
    }
    EXPECT_EQ(ReadBytes(victim), "untouched");
    EXPECT_EQ(ReadBytes(mine), "kept");

    const structOrvanOnePatientComm bare = Import(L"");
    EXPECT_EQ(bare.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf.at(1)[0].sDocument.bstrFilename, L"Befund.txt")
        << "without a folder nothing is written and the name stays bare";
}

TEST_F(DriverTest, ArchivesWithMissingOrExtraPartsImportWhatTheyHold) {
    {
        model::OrvanStructure structure(L"crafted");
        for (std::int64_t id : {7, 8}) {
            auto* patient = structure.NewPatientInfo();
            patient->ID = id;
            patient->NewPatientAddress()->PatientID = static_cast<std::int32_t>(id);  // no address reference
            auto* diagnosis = patient->NewKg()->NewDiagnosis();
            diagnosis->ID = id;
            diagnosis->CodingEntryPtr = structure.NewGlobalDefinitions()->NewCodingEntry();
            auto* tree = patient->NewDocumentTree();
            tree->Name = L"parent";
            tree->NewDocumentTree()->Name = L"child";
        }
        structure.Save(ArchivePath());
    }
    const structOrvanOnePatientComm record = Import(L"");
    EXPECT_EQ(record.sProcessingInfo, structProcessingInfo{}) << "no processing info: reset values";
    EXPECT_EQ(record.sPatientInfo.lID, 8) << "a later patient overwrites the identity";
    EXPECT_EQ(record.sPatientInfo.sPatientAddress.lPatientID, 8);
    EXPECT_EQ(record.sPatientInfo.sKg.mapDiagnosis.at(0).size(), 2u) << "the histories of all patients are collected";
    EXPECT_TRUE(record.sPatientInfo.vecDocumentTree.empty()) << "trees without leaves are not added";
    EXPECT_EQ(capture_.Messages(), std::vector<std::wstring>(2, L"pPatientAddress->AddressRefID==NULL"));
    const auto lines = capture_.TraceLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"->child"), 2);
    EXPECT_EQ(capture_.AssertionCount(), 5u) << "no processing info, two missing addresses, two child trees";
}

TEST_F(DriverTest, FactoriesThatReturnNothing) {
    const struct {
        const char* factory;
        int result;
        std::vector<std::wstring> messages;
    } cases[] = {
        {"OrvanStructure.NewPatientInfo", 0, {}},
        {"PatientInfo.NewKg", 0, {}},
        {"PrimaryClass.Save", 1, {}},  // the scratch save; the archive itself is still written
        {"OrvanStructure.NewProcessingInfo", 1, {}},
        {"ProcessingInfo.NewAuthorAddress", 1, {}},
        {"OrvanStructure.NewAddress", 1, {L"pAuthorAddress->AddressRefID==NULL", L"pAuthorAddress->AddressRefID==NULL"}},
        {"Software.NewManufacturerAddress", 1, {}},
        {"PatientInfo.NewPatientAddress", 1, {}},
        {"OrvanStructure.NewDocument", 1, {}},
        {"Document.NewProducerAddress", 1, {}},
        {"DocumentTree.NewDocumentLeaf", 1, {}},
        {"PatientInfo.NewDocumentTree", 1, {}},
    };
    for (const auto& c : cases) {
        PlatformCapture capture;
        std::filesystem::remove(temp_.Path() / "exportORVAN.orvan");
        int result = -1;
        {
            const auto fault = FaultInjection::FailFactory(c.factory);
            result = ExportRich();
            EXPECT_TRUE(fault.Fired()) << c.factory;
        }
        EXPECT_EQ(result, c.result) << c.factory;
        EXPECT_EQ(std::filesystem::exists(temp_.Path() / "exportORVAN.orvan"), c.result == 1) << c.factory;
        EXPECT_GE(capture.AssertionCount(), 1u) << c.factory;
        EXPECT_EQ(capture.Messages(), c.messages) << c.factory;
    }
    // Save(path) returning no archive: nothing written, no read-back.
    const auto fault = FaultInjection::FailFactory("PrimaryClass.Save", 2);
    std::filesystem::remove(temp_.Path() / "exportORVAN.orvan");
    EXPECT_EQ(ExportRich(), 0);
    EXPECT_FALSE(std::filesystem::exists(temp_.Path() / "exportORVAN.orvan"));
}

TEST_F(DriverTest, LibraryFailuresReachTheCaller) {
    structOrvanOnePatientComm record = Rich();
    record.sProcessingInfo.dtDate = 2958466.0;
    EXPECT_THROW(Export(record), Dorv::Orvan::Framework::Common::OrvanConversionException);
    record = Rich();
    std::filesystem::remove(temp_.Path() / "Befund.txt");
    EXPECT_THROW(Export(record), OrvanIoException);
    structOrvanOnePatientComm target;
    COrvanHandler handler;
    EXPECT_THROW(handler.DoOrvanImport(FromPath(temp_.Path() / "missing.orvan"), L"", &target),
                 Dorv::Orvan::Framework::Common::OrvanException);
    EXPECT_EQ(handler.DoOrvanImport(ArchivePath(), L"", nullptr), 0);
}

}  // namespace
