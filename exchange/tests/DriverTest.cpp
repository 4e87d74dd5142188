#include <gtest/gtest.h>
#include "SystemFacts.h"

#include <filesystem>
#include <fstream>

#include "HandlerTestAccess.h"
#include "TempDir.h"
#include "library/io/FaultInjection.h"
#include "library/OrvanException.h"
#include "platform/FileName.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace {

using Dorv::Orvan::Framework::Common::Archive;
using Dorv::Orvan::Framework::Common::FaultInjection;
using orvan::platform::FromPath;
using orvan::testing::PlatformCapture;
using orvan::testing::TempDir;

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

structOrvanAddress Company(std::int32_t id) {
    structOrvanAddress a;
    a.lID = id;
    a.nAddressType = eAddressTypeCompany;
    a.bstrFamilyname = L"Muster Software AG";
    a.bstrFirstname = L"Entwicklung";
    a.bstrStreet = L"Musterweg 12";
    a.bstrZip = L"9999";
    a.bstrCity = L"Musterdorf";
    a.bstrCountry = L"CH";
    a.bstrOnline1 = L"info@muster.invalid";
    a.bstrOnline3 = L"https://muster.invalid";
    return a;
}

structOrvanAddress Person(std::int32_t id, const wchar_t* family) {
    structOrvanAddress a;
    a.lID = id;
    a.nAddressType = eAddressTypePerson;
    a.nSex = 1;
    a.bstrFamilyname = family;
    a.bstrFirstname = L"Max";
    a.bstrPhone2 = L"+41 00 000 00 00";
    a.bstrIdentificator2 = L"7601000000000";
    return a;
}

// A record that uses every part of the record model, filled the way the
// import fills records, so that it can come back equal.
structOrvanOnePatientComm RichRecord(const std::filesystem::path& folder) {
    structOrvanOnePatientComm r;
    r.sArchive = {L"2.16.756.5.30.1.917.1.10.5", L"", L"Orvan Demo-Export", L"de"};
    r.sProcessingInfo.dtDate = 45000.5;
    r.sProcessingInfo.bstrTitle = L"Überweisung";
    r.sProcessingInfo.sAuthorAddress = Company(1);
    r.sProcessingInfo.sRecipientAddress = Person(2, L"Empfänger");
    r.sProcessingInfo.sSoftware = {L"DemoPraxis", L"3.0", L"(c) Muster Software AG", Company(3)};
    auto& patient = r.sPatientInfo;
    patient.lID = 111;
    patient.sPatientAddress.lPatientID = 111;
    patient.sPatientAddress.nStatusType = 1;
    patient.sPatientAddress.dtBirthDate = 25734.0;
    patient.sPatientAddress.bstrSsn = L"756.0000.0000.00";
    patient.sPatientAddress.nEthnicity = 0;
    patient.sPatientAddress.nMaritalStatus = 1;
    patient.sPatientAddress.sAddress = Person(4, L"Muster");
    structOrvanDiagnosis d;
    d.bstrCodingEntryName = L"Meine Diganose";
    d.nCodingType = 4;
    d.dtDate = 40252.0;
    d.nIsActive = 0;
    d.bstrName = L"Meine Diganose";
    for (std::int32_t id : {1, 2, 3}) {
        d.lID = id;
        d.lParentID = id == 1 ? 0 : 1;
        patient.sKg.mapDiagnosis[d.lParentID].push_back(d);
    }
    patient.sKg.vecMedication = {SampleMedication()};

    std::ofstream(folder / "document2export.txt", std::ios::binary) << "sample for attachment\n";
    std::ofstream(folder / "Befund.txt", std::ios::binary) << "Befund\n";
    structOrvanDocumentLeaf leaf;
    leaf.bstrName = L"mein Titel";
    leaf.bstrComment = L"dies ist ein Kommentar";
    leaf.dtDate = 45000.25;
    leaf.sDocument.bstrFilename = FromPath(folder / "document2export.txt");
    leaf.sDocument.lID = 1;
    leaf.sDocument.bstrMimeType = L"text/plain";
    leaf.sDocument.lSize = 22;
    structOrvanDocumentLeaf other = leaf;
    other.bstrName = L"Befund";
    other.sDocument.bstrFilename = FromPath(folder / "Befund.txt");
    other.sDocument.lID = 2;
    other.sDocument.lSize = 7;
    other.sDocument.sProducerAddress = Person(5, L"Labor");
    structOrvanDocumentTree tree;
    tree.bstrName = L"documents";
    tree.mapDocumentLeaf[1] = {leaf, other, leaf};  // the third leaf shares the first's attachment
    structOrvanDocumentTree second = tree;
    second.bstrName = L"zweiter Ordner";
    second.mapDocumentLeaf[1] = {other};
    patient.vecDocumentTree = {tree, second};
    return r;
}

class DriverTest : public ::testing::Test {
protected:
    std::wstring ArchivePath() const { return FromPath(temp_.Path() / "exportORVAN.orvan"); }
    std::filesystem::path Out() const { return temp_.Path() / "temp"; }

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

    TempDir temp_;
    PlatformCapture capture_;
};

TEST_F(DriverTest, ARichRecordComesBackEqualApartFromWhatIsNotExchanged) {
    structOrvanOnePatientComm original = RichRecord(temp_.Path());
    original.sPatientInfo.sPatientAddress.lAddressRefID = 4;
    original.sPatientInfo.vecDocumentTree[0].lID = 9;
    original.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf[1][0].lDocumentRefID = 1;
    original.vecAddress = {Company(8)};
    ASSERT_EQ(Export(original), 1);
    std::filesystem::create_directory(Out());
    const structOrvanOnePatientComm imported = Import(FromPath(Out()) + orvan::platform::kPathSeparator);

    structOrvanOnePatientComm expected = original;
    expected.sArchive.bstrTemplateOrvanId = L"urn:orvan:template:full:1";
    expected.sPatientInfo.sPatientAddress.lAddressRefID = 0;  // not exchanged
    expected.sPatientInfo.vecDocumentTree[0].lID = 0;          // not exchanged
    expected.vecAddress.clear();                               // record-level lists are never filled
    for (auto& tree : expected.sPatientInfo.vecDocumentTree) {
        for (auto& leaf : tree.mapDocumentLeaf[1]) {
            leaf.lDocumentRefID = 0;
            // the file written by the import, its type and size as the library found them
            leaf.sDocument.bstrFilename = FromPath(Out() / std::filesystem::path(leaf.sDocument.bstrFilename).filename());
        }
    }
    for (structOrvanAddress* company : {&expected.sProcessingInfo.sAuthorAddress,
                                        &expected.sProcessingInfo.sSoftware.sManufacturerAddress}) {
        company->nSex = 2;  // person-only fields of a company are not exchanged
    }
    EXPECT_EQ(imported, expected);
    EXPECT_EQ(Read(Out() / "document2export.txt"), "sample for attachment\n");
    EXPECT_EQ(Read(Out() / "Befund.txt"), "Befund\n");
    EXPECT_TRUE(capture_.Messages().empty());
    EXPECT_EQ(capture_.AssertionCount(), 0u);

    // The imported record exports again, attachments included.
    structOrvanOnePatientComm again = imported;
    EXPECT_EQ(Export(again), 1);
}

TEST_F(DriverTest, TheExportWritesOneDocumentPerAttachmentAndReadsTheArchiveBack) {
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    ASSERT_EQ(Export(record), 1);
    const Archive archive(ArchivePath());
    EXPECT_EQ(archive.Title, L"Orvan Demo-Export");
    EXPECT_EQ(archive.Language, L"de");
    EXPECT_EQ(archive.OrvanId, L"2.16.756.5.30.1.917.1.10.5");
    const model::OrvanStructure structure(archive);
    EXPECT_EQ(structure.Document.Count(), 2u);
    EXPECT_EQ(structure.Address.Count(), 5u) << "author, recipient, manufacturer, patient, one producer";
    const auto& leaves = structure.PatientInfo[0]->DocumentTree[0]->DocumentLeaf;
    EXPECT_EQ(leaves[0]->DocumentRefID, leaves[2]->DocumentRefID);
    EXPECT_EQ(leaves[1]->DocumentRefID, structure.PatientInfo[0]->DocumentTree[1]->DocumentLeaf[0]->DocumentRefID);
    // The read-back imported without writing files; its trace shows the documents by name only.
    const auto lines = capture_.TraceLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"...document2export.txt 1"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"Software: 'DemoPraxis' '3.0'"), lines.end());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), L"'Muster' 'Max'"), 2) << "the patient's address twice";
}

TEST_F(DriverTest, AttachmentsLandAsPlainFilesInsideTheFolderWhateverTheArchiveNamed) {
    using namespace std::string_literals;
    // Where a device name names the device wherever it stands (Windows), it is no file name.
    const auto unlessDevice = [](const wchar_t* name) {
        return orvan::platform::UsableFileName(name).empty() ? L"document-7" : name;
    };
    const struct {
        std::wstring stored;
        std::wstring written;
    } cases[] = {
        {L"../../escape.txt", L"escape.txt"}, {L"/etc/passwd", L"passwd"},         {L"a/b.txt", L"b.txt"},
        {L"..", L"document-7"},               {L"", L"document-7"},                {L"C:\\x\\report.pdf", L"report.pdf"},
        {L"nul\0tail"s, unlessDevice(L"nul")}, {L"CON.txt", unlessDevice(L"CON.txt")}, {L"Bericht ü.pdf", L"Bericht ü.pdf"},
        {L"Befund \U0001F600.pdf", L"Befund \U0001F600.pdf"},
    };
    std::filesystem::create_directory(Out());
    std::ofstream(temp_.Path() / "content.bin") << "content";
    for (const auto& c : cases) {
        {
            model::OrvanStructure structure(L"x");
            auto* document = structure.NewDocument();
            document->ID = 7;
            document->ImportFile(FromPath(temp_.Path() / "content.bin"));
            document->Filename = c.stored;
            auto* leaf = structure.NewPatientInfo()->NewDocumentTree()->NewDocumentLeaf();
            leaf->DocumentRefID = document;
            structure.Save(ArchivePath());
        }
        const auto before = std::distance(std::filesystem::directory_iterator(temp_.Path()), {});
        const structOrvanOnePatientComm record = Import(FromPath(Out()));
        const std::filesystem::path written = Out() / orvan::platform::ToPath(c.written);
        EXPECT_EQ(Read(written), "content") << orvan::platform::ToUtf8(c.written);
        EXPECT_EQ(record.sPatientInfo.vecDocumentTree.at(0).mapDocumentLeaf.at(1).at(0).sDocument.bstrFilename,
                  FromPath(written));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(temp_.Path()), {}), before)
            << "nothing appears outside the attachment folder";
        std::filesystem::remove(written);
    }
}

// Within one import no attachment replaces another: each distinct document
// gets its own file and record, whatever names and IDs the archive repeats.
TEST_F(DriverTest, EveryDistinctAttachmentGetsItsOwnFileAndRecord) {
    using namespace std::string_literals;
    const std::string longName(250, 'n');
    const struct {
        const char* name;
        std::vector<std::pair<std::wstring, std::int64_t>> documents;  // stored name, ID
        std::vector<std::string> written;
        std::vector<std::string> writtenOnWindows = {};  // where Windows names them otherwise
    } cases[] = {
        {"same name in two folders", {{L"a/Befund.txt", 1}, {L"b/Befund.txt", 2}}, {"Befund.txt", "Befund (2).txt"}},
        {"a stored name equal to a made one", {{L"document-7", 1}, {L"", 7}}, {"document-7", "document-7 (2)"}},
        {"an ID equal in its low 32 bits", {{L"a.txt", 5}, {L"b.txt", (std::int64_t{1} << 32) + 5}}, {"a.txt", "b.txt"}},
        {"the same ID twice", {{L"a.txt", 5}, {L"a.txt", 5}, {L"a (2).txt", 6}}, {"a.txt", "a (2).txt", "a (2) (2).txt"}},
        {"a name as long as a name may be", {{orvan::platform::FromUtf8(longName), 1}}, {longName}},
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
        {
            model::OrvanStructure structure(L"x");
            auto* tree = structure.NewPatientInfo()->NewDocumentTree();
            for (std::size_t i = 0; i < c.documents.size(); ++i) {
                const std::filesystem::path source = temp_.Path() / ("content-" + std::to_string(i));
                std::ofstream(source, std::ios::binary) << "content " << i;
                auto* document = structure.NewDocument();
                document->ImportFile(FromPath(source));
                document->Filename = c.documents[i].first;
                document->ID = c.documents[i].second;
                tree->NewDocumentLeaf()->DocumentRefID = document;
            }
            structure.Save(ArchivePath());
        }
        const structOrvanOnePatientComm record = Import(FromPath(Out()));
        const auto& leaves = record.sPatientInfo.vecDocumentTree.at(0).mapDocumentLeaf.at(1);
        const auto& written = windows && !c.writtenOnWindows.empty() ? c.writtenOnWindows : c.written;
        ASSERT_EQ(leaves.size(), written.size()) << c.name;
        for (std::size_t i = 0; i < written.size(); ++i) {
            const auto path = Out() / orvan::platform::ToPath(orvan::platform::FromUtf8(written[i]));
            EXPECT_EQ(Read(path), "content " + std::to_string(i)) << c.name << ": " << written[i];
            EXPECT_EQ(leaves[i].sDocument.bstrFilename, FromPath(path)) << c.name;
            EXPECT_EQ(leaves[i].sDocument.lID, static_cast<std::int32_t>(c.documents[i].second)) << c.name;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Out()), {}),
                  static_cast<std::ptrdiff_t>(written.size()))
            << c.name << ": no other file, no temporary file left";
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
    {
        model::OrvanStructure structure(L"x");
        std::ofstream(temp_.Path() / "new.txt") << "new";
        auto* document = structure.NewDocument();
        document->ImportFile(FromPath(temp_.Path() / "new.txt"));
        document->Filename = alias;
        structure.NewPatientInfo()->NewDocumentTree()->NewDocumentLeaf()->DocumentRefID = document;
        structure.Save(ArchivePath());
    }
    Import(FromPath(Out()));
    EXPECT_EQ(Read(Out() / (alias.substr(0, alias.find(L'.')) + L" (2)" + alias.substr(alias.find(L'.')))), "new");
    EXPECT_EQ(Read(Out() / "Long File Name.txt"), "older");
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
    EXPECT_EQ(Read(Out() / "full.txt"), "full") << "the import goes on";
    EXPECT_FALSE(std::filesystem::exists(Out() / "leer.pdf"));
    const auto lines = capture_.TraceLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), L"...leer.pdf 3: no content, no file written"), lines.end());

    // The imported record exports again, the leaf still without content, and
    // comes back the same.
    structOrvanOnePatientComm again = record;
    ASSERT_EQ(Export(again), 1);
    std::filesystem::remove_all(Out());
    std::filesystem::create_directory(Out());
    EXPECT_EQ(Import(FromPath(Out())).sPatientInfo.vecDocumentTree, record.sPatientInfo.vecDocumentTree);
    EXPECT_EQ(Read(Out() / "full.txt"), "full");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Out()), {}), 1);
}

TEST_F(DriverTest, AttachmentsAreNeverWrittenThroughALinkOrIntoWhatIsNoFolder) {
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    ASSERT_EQ(Export(record), 1);
    const std::filesystem::path elsewhere = temp_.Path() / "elsewhere";
    std::filesystem::create_directory(elsewhere);
    if (!orvan::testing::TryLink(elsewhere, Out())) {
        GTEST_SKIP() << "no symbolic links here (Windows without the privilege)";
    }
    for (const std::wstring& folder : {FromPath(Out()), FromPath(Out()) + L"/"}) {
        structOrvanOnePatientComm target;
        COrvanHandler handler;
        EXPECT_THROW(handler.DoOrvanImport(ArchivePath(), folder, &target), Dorv::Orvan::Framework::Common::OrvanIoException);
    }
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    std::filesystem::remove(Out());
    std::ofstream(Out()) << "a file";
    structOrvanOnePatientComm target;
    COrvanHandler handler;
    EXPECT_THROW(handler.DoOrvanImport(ArchivePath(), FromPath(Out()), &target),
                 Dorv::Orvan::Framework::Common::OrvanIoException);
    EXPECT_EQ(Read(Out()), "a file");
}

TEST_F(DriverTest, TemporaryFilesThatAKilledImportLeftAreRemovedByTheNext) {
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    ASSERT_EQ(Export(record), 1);
    std::filesystem::create_directory(Out());
    const std::filesystem::path stale = Out() / ".Befund.txt.tmp-a1B2c3";
    std::ofstream(stale, std::ios::binary) << "half an attachment";
    const std::filesystem::path mine = Out() / "Befund.txt.tmp-a1B2c3";  // not of the form of ours
    std::ofstream(mine, std::ios::binary) << "kept";
    Import(FromPath(Out()));
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_EQ(Read(mine), "kept");
    EXPECT_EQ(Read(Out() / "Befund.txt"), "Befund\n");
}

TEST_F(DriverTest, TheScratchSaveLiesBesideTheArchiveAndGoesWithTheExport) {
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    const std::filesystem::path archive = temp_.Path() / "exportORVAN.orvan";
    const std::filesystem::path stale = temp_.Path() / ".exportORVAN.orvan.tmp-a1B2c3";  // a killed export's
    std::ofstream(stale, std::ios::binary) << "half a scratch archive";
    ASSERT_EQ(Export(record), 1);
    // The first line traced is the scratch archive's path: beside the archive,
    // not in the temporary folder, so that no second copy is written.
    const auto lines = capture_.TraceLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(std::filesystem::path(lines.front()).parent_path(), temp_.Path()) << orvan::platform::ToUtf8(lines.front());
    EXPECT_EQ(orvan::testing::LinkCount(archive), 1u) << "the scratch file became the archive and its own name went";
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(archive));
    for (const auto& entry : std::filesystem::directory_iterator(temp_.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
}

TEST_F(DriverTest, AReadBackThatThrowsLeavesNoPointerToItsRecord) {
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    COrvanHandler handler;
    COrvanHandlerTestAccess access(handler);
    // The read-back's attachment folder is refused: it throws after it took the scratch record.
    access.SetAttachmentFolder(FromPath(temp_.Path() / "Befund.txt"));
    EXPECT_THROW(handler.DoOrvanExport(ArchivePath(), &record), Dorv::Orvan::Framework::Common::OrvanIoException);
    EXPECT_TRUE(access.RecordUnbound());
}

TEST_F(DriverTest, AttachmentFolderWithOrWithoutSlashAndAnExistingFileReplaced) {
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    ASSERT_EQ(Export(record), 1);
    std::filesystem::create_directory(Out());
    std::ofstream(Out() / "Befund.txt") << "old content";
    const std::filesystem::path victim = temp_.Path() / "victim.txt";
    std::ofstream(victim, std::ios::binary) << "untouched";
    if (!orvan::testing::TryLink(victim, Out() / "document2export.txt")) {
        GTEST_SKIP() << "no symbolic links here (Windows without the privilege)";
    }
    for (const std::wstring& folder : {FromPath(Out()), FromPath(Out()) + L"/"}) {
        const auto imported = Import(folder);
        EXPECT_EQ(imported.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf.at(1)[1].sDocument.bstrFilename,
                  FromPath(Out()) + L"/Befund.txt");
    }
    EXPECT_EQ(Read(Out() / "Befund.txt"), "Befund\n");
    EXPECT_EQ(Read(victim), "untouched") << "a link in the folder is replaced, never written through";
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(Out() / "document2export.txt")));
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(Out() / "document2export.txt"));

    const structOrvanOnePatientComm bare = Import(L"");
    EXPECT_EQ(bare.sPatientInfo.vecDocumentTree[0].mapDocumentLeaf.at(1)[0].sDocument.bstrFilename,
              L"document2export.txt")
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
        structOrvanOnePatientComm record = RichRecord(temp_.Path());
        int result = -1;
        {
            const auto fault = FaultInjection::FailFactory(c.factory);
            result = Export(record);
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
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    EXPECT_EQ(Export(record), 0);
    EXPECT_FALSE(std::filesystem::exists(temp_.Path() / "exportORVAN.orvan"));
}

TEST_F(DriverTest, LibraryFailuresReachTheCaller) {
    structOrvanOnePatientComm record = RichRecord(temp_.Path());
    record.sProcessingInfo.dtDate = 2958466.0;
    EXPECT_THROW(Export(record), Dorv::Orvan::Framework::Common::OrvanConversionException);
    record = RichRecord(temp_.Path());
    std::filesystem::remove(temp_.Path() / "Befund.txt");
    EXPECT_THROW(Export(record), Dorv::Orvan::Framework::Common::OrvanIoException);
    structOrvanOnePatientComm target;
    COrvanHandler handler;
    EXPECT_THROW(handler.DoOrvanImport(FromPath(temp_.Path() / "missing.orvan"), L"", &target),
                 Dorv::Orvan::Framework::Common::OrvanException);
    EXPECT_EQ(handler.DoOrvanImport(ArchivePath(), L"", nullptr), 0);
}

}  // namespace
