#include <gtest/gtest.h>
#include <zip.h>

#include <algorithm>
#include <cstdlib>
#include <regex>

#include "ArchiveTestSupport.h"
#include "RichStructure.h"
#include "SystemFacts.h"
#include "TempDir.h"
#include "library/Archive.h"
#include "library/format/FormatFacts.h"
#include "library/format/ScratchTakeOver.h"
#include "library/OrvanException.h"
#include "library/StructureComparison.h"
#include "library/format/StructureSchema.h"
#include "library/io/FaultInjection.h"
#include "library/io/File.h"
#include "library/zip/ZipReader.h"
#include "platform/FileCalls.h"
#include "platform/FileSystem.h"

namespace orvan::library::testing {
namespace {

using common::Archive;
using orvan::platform::FromPath;
using orvan::testing::IsOwnerOnly;
using orvan::testing::TempDir;

class ArchiveRoundTripTest : public ::testing::Test {
protected:
    std::filesystem::path Saved(const char* name) {
        const auto path = temp_.Path() / name;
        EXPECT_NE(structure_->Save(FromPath(path)), nullptr);
        return path;
    }

    TempDir temp_;
    std::unique_ptr<model::OrvanStructure> structure_ = MakeRichStructure(temp_.Path());
};

TEST_F(ArchiveRoundTripTest, EveryValueComesBackAndSavesAgainToIdenticalBytes) {
    const auto first = Saved("first.orvan");
    const Archive archive(FromPath(first));
    EXPECT_EQ(archive.OrvanId, L"2.16.756.5.30.1.917.1.10.42");
    EXPECT_EQ(archive.TemplateOrvanId, model::kTemplateOrvanId);
    EXPECT_EQ(archive.Title, std::nullopt);
    const model::OrvanStructure loaded(archive);

    EXPECT_EQ(common::FindDifference(*structure_, loaded), std::nullopt);
    EXPECT_EQ(loaded.ProcessingInfo->Title, kAwkwardText);
    EXPECT_TRUE(std::isnan(*loaded.PatientInfo[0]->Kg->Medication[0]->Posology[0]->QuantityMorning));
    EXPECT_TRUE(std::signbit(*loaded.PatientInfo[0]->Kg->Medication[0]->Posology[0]->QuantityNoon));

    const auto second = temp_.Path() / "second.orvan";
    ASSERT_NE(const_cast<model::OrvanStructure&>(loaded).Save(FromPath(second)), nullptr);
    EXPECT_EQ(ReadBytes(first), ReadBytes(second));
}

// A second writer, made from the format document alone, writes the archive
// again with other legal choices at every deflate level; it loads as the same
// structure with the same header.
TEST_F(ArchiveRoundTripTest, AnArchiveRewrittenByAnIndependentWriterLoadsAsTheSameStructure) {
    if (!orvan::testing::CanRunHostTools()) {
        GTEST_SKIP() << "the second writer is a Python program of the host's";
    }
    const auto first = Saved("first.orvan");
    const std::string choices[] = {"", "--prefix o", "--crlf --bom", "--cdata --reverse-attachments",
                                   "--charrefs --prefix x --crlf --cdata"};
    for (int level = 0; level <= 9; ++level) {
        const std::string options =
            choices[static_cast<std::size_t>(level) % std::size(choices)] + " --level " + std::to_string(level);
        const auto rewritten = temp_.Path() / ("rewritten-" + std::to_string(level) + ".orvan");
        const std::string command = "python3 '" ORVAN_SOURCE_DIR "/library/tests/second_writer.py' '" +
                                    first.string() + "' '" + rewritten.string() + "' " + options;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const Archive archive(FromPath(rewritten));
        EXPECT_EQ(archive.OrvanId, L"2.16.756.5.30.1.917.1.10.42") << options;
        const model::OrvanStructure loaded(archive);
        EXPECT_EQ(common::FindDifference(*structure_, loaded), std::nullopt) << options;
    }
}

TEST_F(ArchiveRoundTripTest, ReferencesKeepTheirIdentity) {
    const Archive archive(FromPath(Saved("a.orvan")));
    const model::OrvanStructure loaded(archive);
    const auto& leaves = loaded.PatientInfo[1]->DocumentTree[0]->DocumentLeaf;
    ASSERT_EQ(leaves.Count(), 5u);
    EXPECT_EQ(leaves[0]->DocumentRefID, leaves[3]->DocumentRefID) << "two leaves, one document";
    EXPECT_EQ(leaves[0]->DocumentRefID, loaded.Document[0]);
    EXPECT_EQ(leaves[4], nullptr);
    const auto* processing = loaded.ProcessingInfo;
    EXPECT_EQ(processing->AuthorAddress->AddressRefID, processing->RecipientAddress->AddressRefID);
    const auto* child = loaded.PatientInfo[0]->Kg->Diagnosis[1];
    EXPECT_EQ(child->DiagnosisPtr[0], child);
    EXPECT_EQ(loaded.PatientInfo[0]->Kg->Diagnosis[0]->DiagnosisPtr[0], child);
}

TEST_F(ArchiveRoundTripTest, AttachmentsStreamBackOutOwnerOnlyAndNeverThroughALink) {
    const Archive archive(FromPath(Saved("a.orvan")));
    const model::OrvanStructure loaded(archive);
    const auto out = temp_.Path() / "out";
    std::filesystem::create_directory(out);
    const std::filesystem::path victim = temp_.Path() / "victim.txt";
    WriteFile(victim, "untouched");
    const bool linked = orvan::testing::TryLink(victim, out / "linked");

    for (std::size_t i = 0; i < 3; ++i) {
        const model::Document& document = *loaded.Document[i];
        const auto target = out / platform::ToPath(*document.Filename);
        document.ExportFile(FromPath(target));
        EXPECT_EQ(ReadBytes(target), ReadBytes(temp_.Path() / platform::ToPath(*document.Filename)));
        EXPECT_TRUE(IsOwnerOnly(target));
    }
    EXPECT_EQ(loaded.Document[1]->Size, 0);
    EXPECT_EQ(loaded.Document[2]->Filename, L"Bericht Müller \U0001F600.bin");
    EXPECT_EQ(loaded.Document[0]->MimeType, L"text/plain");

    if (linked) {  // where this user may make symbolic links at all
        loaded.Document[0]->ExportFile(FromPath(out / "linked"));
        EXPECT_FALSE(std::filesystem::is_symlink(out / "linked")) << "the link itself is replaced";
        EXPECT_EQ(ReadBytes(victim), "untouched");
    }
    EXPECT_THROW(loaded.Document[3]->ExportFile(FromPath(out / "none")), common::OrvanException)
        << "a document without content";
    EXPECT_FALSE(std::filesystem::exists(out / "none"));
}

TEST_F(ArchiveRoundTripTest, ArchiveSaveStoresTheHeaderAndKeepsEverythingElse) {
    const auto path = Saved("a.orvan");
    auto archive = structure_->Save(FromPath(path));
    const std::string before = common::ZipReader(FromPath(path)).ReadAll(
        *common::ZipReader(FromPath(path)).Find("structure.xml"), 1 << 30);
    archive->Title = L"Orvan Demo-Export: OrvanOnePatientComm";
    archive->Language = L"de";
    archive->Save();

    const Archive reopened(FromPath(path));
    EXPECT_EQ(reopened.Title, L"Orvan Demo-Export: OrvanOnePatientComm");
    EXPECT_EQ(reopened.Language, L"de");
    EXPECT_EQ(reopened.OrvanId, L"2.16.756.5.30.1.917.1.10.42");
    const common::ZipReader reader(FromPath(path));
    EXPECT_EQ(reader.ReadAll(*reader.Find("structure.xml"), 1 << 30), before);
    EXPECT_EQ(common::FindDifference(*structure_, model::OrvanStructure(reopened)), std::nullopt);
}

TEST_F(ArchiveRoundTripTest, AnotherZipLibraryReadsEveryEntryWithAValidCrc) {
    const auto path = Saved("a.orvan");
    int error = 0;
    zip_t* zip = zip_open(platform::GenericUtf8(path).c_str(), ZIP_CHECKCONS | ZIP_RDONLY, &error);
    ASSERT_NE(zip, nullptr) << "libzip error " << error;
    const zip_int64_t count = zip_get_num_entries(zip, 0);
    EXPECT_EQ(count, 5) << "header, structure and three attachments";
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_file_t* file = zip_fopen_index(zip, static_cast<zip_uint64_t>(i), 0);
        ASSERT_NE(file, nullptr) << zip_get_name(zip, static_cast<zip_uint64_t>(i), 0);
        char buffer[65536];
        while (zip_fread(file, buffer, sizeof buffer) > 0) {
        }
        EXPECT_EQ(zip_fclose(file), 0) << "CRC of " << zip_get_name(zip, static_cast<zip_uint64_t>(i), 0);
    }
    zip_discard(zip);
}

TEST_F(ArchiveRoundTripTest, WrittenDocumentsValidateAgainstTheShippedSchemas) {
    if (!orvan::testing::CanRunHostTools()) {
        GTEST_SKIP() << "the schemas are checked by the host's xmllint";
    }
    const std::filesystem::path docs = ORVAN_SOURCE_DIR "/docs";
    EXPECT_EQ(ReadBytes(docs / "orvan-structure.xsd"),
              common::StructureSchema(model::OrvanStructure::StaticClass()))
        << "docs/orvan-structure.xsd is out of date: orvan-write-schema > docs/orvan-structure.xsd";
    EXPECT_NE(ReadBytes(docs / "archive-format.md").find(common::StructureTables(model::OrvanStructure::StaticClass())),
              std::string::npos)
        << "the class tables of docs/archive-format.md are out of date: orvan-write-schema --tables";
    const auto path = Saved("a.orvan");
    auto archive = structure_->Save(FromPath(path));
    archive->Title = kAwkwardText;
    archive->Save();
    const common::ZipReader reader(FromPath(path));
    for (const auto& [entry, schema] : {std::pair{"structure.xml", "orvan-structure.xsd"},
                                        std::pair{"header.xml", "orvan-header.xsd"}}) {
        const auto extracted = temp_.Path() / entry;
        WriteFile(extracted, reader.ReadAll(*reader.Find(entry), 1 << 30));
        const std::string command = "xmllint --noout --schema '" + (docs / schema).string() + "' '" +
                                    extracted.string() + "' 2>" + (temp_.Path() / "lint.txt").string();
        EXPECT_EQ(std::system(command.c_str()), 0) << entry << ": " << ReadBytes(temp_.Path() / "lint.txt");
    }
}

TEST(OrvanStructureTest, EmptyIdentifierGetsAFreshOneAndScratchSavesVanishOnRelease) {
    model::OrvanStructure first(L"");
    const model::OrvanStructure second(L"");
    EXPECT_TRUE(std::regex_match(*first.Header().OrvanId, std::wregex(L"2\\.25\\.[1-9][0-9]*")))
        << platform::ToUtf8(*first.Header().OrvanId);
    EXPECT_NE(first.Header().OrvanId, second.Header().OrvanId);

    auto scratch = first.Save();
    ASSERT_NE(scratch, nullptr);
    const std::filesystem::path path = platform::ToPath(scratch->Path());
    EXPECT_TRUE(IsOwnerOnly(path.parent_path()));
    EXPECT_TRUE(IsOwnerOnly(path));
    first.Dispose();
    // Windows keeps a removed file, and so its folder, until its last reader
    // (here the archive still open) closes it.
    scratch.reset();
    EXPECT_FALSE(std::filesystem::exists(path)) << "no copy of patient data stays behind";
    EXPECT_TRUE(!std::filesystem::exists(path.parent_path()) || std::filesystem::is_empty(path.parent_path()));
    if (platform::kPathSeparator == L'/') {
        EXPECT_FALSE(std::filesystem::exists(path.parent_path()));
    }
}

}  // namespace
}  // namespace orvan::library::testing

namespace orvan::library::testing {
namespace {

// Objects nest as deep as the format allows, the structure itself the first
// level, and no deeper: what the writer refuses to write, readers refuse.
TEST(ArchiveLimitsTest, ObjectsNestAsDeepAsTheFormatAllowsAndNoDeeper) {
    orvan::testing::TempDir temp;
    const auto path = FromPath(temp.Path() / "deep.orvan");
    for (const std::size_t levels : {common::kMaxNestingDepth, common::kMaxNestingDepth + 1}) {
        model::OrvanStructure structure(L"deep");
        model::DocumentTree* tree = structure.NewPatientInfo()->NewDocumentTree();  // levels 2 and 3
        for (std::size_t level = 4; level <= levels; ++level) {
            tree = tree->NewDocumentTree();
        }
        if (levels == common::kMaxNestingDepth) {
            ASSERT_NE(structure.Save(path), nullptr);
            EXPECT_EQ(common::FindDifference(structure, model::OrvanStructure(Archive(path))), std::nullopt);
        } else {
            std::filesystem::remove(temp.Path() / "deep.orvan");
            EXPECT_THROW(structure.Save(path), common::OrvanFormatException);
            EXPECT_TRUE(std::filesystem::is_empty(temp.Path()));
        }
    }
}

}  // namespace
}  // namespace orvan::library::testing

namespace orvan::library::testing {
namespace {

using orvan::testing::LinkCount;

// The names an archive has after a save took a scratch save over: two where
// files may have two (the scratch file became the archive), else one.
std::uint64_t TakenOverLinks() { return platform::kPathSeparator == L'/' ? 2 : 1; }

TEST(ScratchTakeOverTest, DocumentDigestsDependOnTheBytesAloneNotOnHowTheyArrive) {
    std::string document(10'000, '\0');
    for (std::size_t i = 0; i < document.size(); ++i) {
        document[i] = static_cast<char>(static_cast<std::size_t>("<Name>Diagnose</Name>\n"[i % 22]) + i / 997);
    }
    const auto digest = [](const std::string& bytes, std::size_t piece) {
        common::SavedArchive::Digest d;
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            d.Add(std::as_bytes(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at))));
        }
        return d;
    };
    const auto whole = digest(document, document.size());
    for (const std::size_t piece : {1u, 3u, 7u, 8u, 9u, 4096u}) {
        EXPECT_EQ(digest(document, piece), whole) << piece;
    }
    for (const std::size_t at : {std::size_t{0}, std::size_t{4321}, document.size() - 1}) {
        std::string changed = document;
        changed[at] = static_cast<char>(changed[at] ^ 0x20);
        EXPECT_NE(digest(changed, 7), whole) << at;
    }
    EXPECT_NE(digest(document.substr(0, document.size() - 1), 7), whole);
}

TEST(ScratchTakeOverTest, AnUnchangedStructureTakesTheScratchFileOverAndAChangedOneIsWrittenAgain) {
    orvan::testing::TempDir temp;
    const auto structure = MakeRichStructure(temp.Path());
    const auto fresh = temp.Path() / "fresh.orvan";
    structure->Save(FromPath(fresh));

    const auto scratch = structure->Save();
    const auto target = temp.Path() / "target.orvan";
    ASSERT_NE(structure->Save(FromPath(target)), nullptr);
    EXPECT_EQ(ReadBytes(target), ReadBytes(fresh));
    EXPECT_EQ(LinkCount(target), TakenOverLinks()) << "the scratch file became the archive";

    structure->Save();
    structure->Address[0]->ID = 99;  // changed after the scratch save
    structure->Save(FromPath(target));
    EXPECT_EQ(LinkCount(target), 1u);
    EXPECT_EQ(model::OrvanStructure(Archive(FromPath(target))).Address[0]->ID, 99);

    structure->Save();
    WriteFile(temp.Path() / "text.txt", "SAMPLE FOR ATTACHMENT\n");  // same size, new content
    structure->Save(FromPath(target));
    EXPECT_EQ(LinkCount(target), 1u);
    const model::OrvanStructure reloaded{Archive(FromPath(target))};
    std::string content(22, '\0');
    reloaded.Document[0]->Content().Open()->Read(std::as_writable_bytes(std::span(content)));
    EXPECT_EQ(content, "SAMPLE FOR ATTACHMENT\n");

    structure->Save();
    const std::string before = ReadBytes(target);
    {
        const auto fault = common::FaultInjection::FailFile(common::FileOperation::Rename);
        EXPECT_THROW(structure->Save(FromPath(target)), common::OrvanIoException);
    }
    EXPECT_EQ(ReadBytes(target), before);
    for (const auto& entry : std::filesystem::directory_iterator(temp.Path())) {
        EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
}


TEST(ScratchTakeOverTest, AScratchSaveBesideItsTargetNeedsNoTemporaryFolderAndLeavesNothingBehind) {
    orvan::testing::TempDir temp;
    const auto structure = MakeRichStructure(temp.Path());
    const auto fresh = temp.Path() / "fresh.orvan";
    structure->Save(FromPath(fresh));
    const auto folder = temp.Path() / "data";
    std::filesystem::create_directory(folder);
    const auto target = folder / "target.orvan";
    const auto stale = folder / ".target.orvan.tmp-a1B2c3";   // left by a killed save of the target
    const auto other = folder / ".other.orvan.tmp-a1B2c3";    // another target's: not this save's business
    const auto alive = folder / ".target.orvan.tmp-d4E5f6";   // a save at work elsewhere holds it locked
    for (const auto& path : {stale, other, alive}) {
        WriteFile(path, "half an archive");
    }
    const int held = platform::OpenFile(FromPath(alive), platform::OpenFor::Reading);
    ASSERT_GE(held, 0);
    ASSERT_TRUE(platform::TryLockFile(held));

    std::unique_ptr<common::Archive> scratch;
    {
        const orvan::testing::TemporaryFolderOverride missing(temp.Path() / "no-such-folder");
        structure->SaveScratchBeside(FromPath(target));
        scratch = structure->Save();
    }
    ASSERT_NE(scratch, nullptr);
    const std::filesystem::path scratchPath = platform::ToPath(scratch->Path());
    EXPECT_EQ(scratchPath.parent_path(), folder);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(other));
    EXPECT_TRUE(std::filesystem::exists(alive));
    EXPECT_TRUE(IsOwnerOnly(scratchPath));
    {
        // The scratch file is alive: another save's cleanup leaves it alone.
        common::RemoveStaleTemporariesOf(FromPath(target));
        EXPECT_TRUE(std::filesystem::exists(scratchPath));
    }

    ASSERT_NE(structure->Save(FromPath(target)), nullptr);
    EXPECT_EQ(ReadBytes(target), ReadBytes(fresh));
    EXPECT_EQ(LinkCount(target), TakenOverLinks()) << "the scratch file became the archive";

    // A second scratch save replaces the first; a failing one leaves none.
    // (Windows removes a file only once nobody has it open: the archives go first.)
    scratch.reset();
    auto second = structure->Save();
    EXPECT_FALSE(std::filesystem::exists(scratchPath));
    EXPECT_EQ(LinkCount(target), 1u);
    {
        const auto fault = common::FaultInjection::FailFile(common::FileOperation::Write);
        EXPECT_THROW(structure->Save(), common::OrvanIoException);
    }
    second.reset();
    structure->Dispose();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    platform::CloseFile(held);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".other.orvan.tmp-a1B2c3", ".target.orvan.tmp-d4E5f6", "target.orvan"}));
}

}  // namespace
}  // namespace orvan::library::testing
