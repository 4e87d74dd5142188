#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>

#include "RichStructure.h"
#include "SystemFacts.h"
#include "TempDir.h"
#include "library/Archive.h"
#include "library/OrvanException.h"
#include "library/StructureComparison.h"
#include "library/format/FormatFacts.h"
#include "library/format/ScratchTakeOver.h"
#include "library/format/StructureSchema.h"
#include "library/io/FaultInjection.h"
#include "library/zip/ZipReader.h"
#include "platform/FileCalls.h"
#include "platform/FileSystem.h"

namespace orvan::library::testing {
namespace {

using common::Archive;
using orvan::platform::FromPath;
using orvan::testing::IsOwnerOnly;
using orvan::testing::LinkCount;
using orvan::testing::TempDir;

class ArchiveRoundTripTest : public ::testing::Test {
protected:
    std::filesystem::path Saved(const char* name) {
        const auto path = temp_.Path() / name;
        EXPECT_NE(structure_->Save(FromPath(path)), nullptr);
        return path;
    }

    std::string Entry(const std::filesystem::path& archive, const char* name) {
        const common::ZipReader reader(FromPath(archive));
        return reader.ReadAll(*reader.Find(name), 1 << 30);
    }

    TempDir temp_;
    std::unique_ptr<model::OrvanStructure> structure_ = MakeRichStructure(temp_.Path());
};

// Every value, reference and attachment comes back as it was: FindDifference
// compares all of them.
TEST_F(ArchiveRoundTripTest, EveryValueComesBackAndSavesAgainToIdenticalBytes) {
    const auto first = Saved("first.orvan");
    const Archive archive(FromPath(first));
    EXPECT_EQ(archive.OrvanId, L"2.16.756.5.30.1.917.1.10.42");
    EXPECT_EQ(archive.TemplateOrvanId, model::kTemplateOrvanId);
    EXPECT_EQ(archive.Title, std::nullopt);
    model::OrvanStructure loaded(archive);
    EXPECT_EQ(common::FindDifference(*structure_, loaded), std::nullopt);
    ASSERT_NE(loaded.Save(FromPath(temp_.Path() / "second.orvan")), nullptr);
    EXPECT_EQ(ReadBytes(first), ReadBytes(temp_.Path() / "second.orvan"));
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
        const std::string options = choices[level % 5] + " --level " + std::to_string(level);
        const auto rewritten = temp_.Path() / ("rewritten-" + std::to_string(level) + ".orvan");
        const std::string command = "python3 '" ORVAN_SOURCE_DIR "/library/tests/second_writer.py' '" +
                                    first.string() + "' '" + rewritten.string() + "' " + options;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        const Archive archive(FromPath(rewritten));
        EXPECT_EQ(archive.OrvanId, L"2.16.756.5.30.1.917.1.10.42") << options;
        EXPECT_EQ(common::FindDifference(*structure_, model::OrvanStructure(archive)), std::nullopt) << options;
    }
}

TEST_F(ArchiveRoundTripTest, WrittenDocumentsValidateAgainstTheShippedSchemas) {
    if (!orvan::testing::CanRunHostTools()) {
        GTEST_SKIP() << "the schemas are checked by the host's xmllint";
    }
    const std::filesystem::path docs = ORVAN_SOURCE_DIR "/docs";
    EXPECT_EQ(ReadBytes(docs / "orvan-structure.xsd"), common::StructureSchema(model::OrvanStructure::StaticClass()))
        << "docs/orvan-structure.xsd is out of date: orvan-write-schema > docs/orvan-structure.xsd";
    EXPECT_NE(ReadBytes(docs / "archive-format.md").find(common::StructureTables(model::OrvanStructure::StaticClass())),
              std::string::npos)
        << "the class tables of docs/archive-format.md are out of date: orvan-write-schema --tables";
    const auto path = Saved("a.orvan");
    auto archive = structure_->Save(FromPath(path));
    archive->Title = kAwkwardText;
    archive->Save();
    for (const auto& [entry, schema] : {std::pair{"structure.xml", "orvan-structure.xsd"},
                                        std::pair{"header.xml", "orvan-header.xsd"}}) {
        WriteFile(temp_.Path() / entry, Entry(path, entry));
        const std::string command = "xmllint --noout --schema '" + (docs / schema).string() + "' '" +
                                    (temp_.Path() / entry).string() + "' 2>" + (temp_.Path() / "lint.txt").string();
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

// Objects nest as deep as the format allows, the structure itself the first
// level, and no deeper: what the writer refuses to write, readers refuse.
TEST(ArchiveLimitsTest, ObjectsNestAsDeepAsTheFormatAllowsAndNoDeeper) {
    TempDir temp;
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

// The names an archive has after a save took a scratch save over: two where
// files may have two (the scratch file became the archive), else one.
const std::uint64_t kTakenOverLinks = platform::kPathSeparator == L'/' ? 2 : 1;

// A save of a structure unchanged since its scratch save takes the scratch
// file over, from the temporary folder or from beside the target; one
// changed since (a value or an attachment's content, each of the same size)
// is written again; a failing one leaves the old archive. A scratch save
// beside its target needs no temporary folder, and removes what killed saves
// of that target left (unlocked) and nothing else.
TEST(ScratchTakeOverTest, AnUnchangedStructureTakesTheScratchFileOverAndAChangedOneIsWrittenAgain) {
    TempDir temp;
    const auto structure = MakeRichStructure(temp.Path());
    structure->Save(FromPath(temp.Path() / "fresh.orvan"));
    const std::string fresh = ReadBytes(temp.Path() / "fresh.orvan");
    const auto folder = temp.Path() / "data";
    std::filesystem::create_directory(folder);
    const auto target = folder / "target.orvan";
    {
        const auto fromTemporaryFolder = structure->Save();
        ASSERT_NE(structure->Save(FromPath(target)), nullptr);
        EXPECT_EQ(ReadBytes(target), fresh);
        EXPECT_EQ(LinkCount(target), kTakenOverLinks) << "the scratch file became the archive";
    }
    const auto stale = folder / ".target.orvan.tmp-a1B2c3";  // left by a killed save of the target
    const auto other = folder / ".other.orvan.tmp-a1B2c3";   // another target's: not this save's business
    const auto alive = folder / ".target.orvan.tmp-d4E5f6";  // a save at work elsewhere holds it locked
    for (const auto& path : {stale, other, alive}) {
        WriteFile(path, "half an archive");
    }
    const int held = platform::OpenFile(FromPath(alive), platform::OpenFor::Reading);
    ASSERT_TRUE(held >= 0 && platform::TryLockFile(held));
    std::unique_ptr<common::Archive> scratch;
    {
        const orvan::testing::TemporaryFolderOverride missing(temp.Path() / "no-such-folder");
        structure->SaveScratchBeside(FromPath(target));
        scratch = structure->Save();
    }
    ASSERT_NE(scratch, nullptr);
    const std::filesystem::path scratchPath = platform::ToPath(scratch->Path());
    EXPECT_TRUE(IsOwnerOnly(scratchPath));
    const std::set<std::string> others{".other.orvan.tmp-a1B2c3", ".target.orvan.tmp-d4E5f6", "target.orvan"};
    auto listing = others;
    listing.insert(scratchPath.filename().string());
    EXPECT_EQ(FolderListing(folder), listing) << "the scratch file beside the target, the stale one gone";
    common::RemoveStaleTemporariesOf(FromPath(target));
    EXPECT_TRUE(std::filesystem::exists(scratchPath)) << "alive: another save's cleanup leaves it alone";
    ASSERT_NE(structure->Save(FromPath(target)), nullptr);
    EXPECT_EQ(ReadBytes(target), fresh);
    EXPECT_EQ(LinkCount(target), kTakenOverLinks) << "the scratch file became the archive";

    // A second scratch save replaces the first (Windows removes a file only
    // once nobody has it open: the archive goes first).
    scratch.reset();
    auto second = structure->Save();
    EXPECT_FALSE(std::filesystem::exists(scratchPath));
    EXPECT_EQ(LinkCount(target), 1u);
    structure->Address[0]->ID = (std::int64_t{1} << 32) + 6;  // as many digits as before
    structure->Save(FromPath(target));
    EXPECT_EQ(LinkCount(target), 1u);
    EXPECT_EQ(model::OrvanStructure(Archive(FromPath(target))).Address[0]->ID, (std::int64_t{1} << 32) + 6);

    second = structure->Save();
    WriteFile(temp.Path() / "text.txt", "SAMPLE FOR ATTACHMENT\n");
    structure->Save(FromPath(target));
    EXPECT_EQ(LinkCount(target), 1u);
    std::string content(22, '\0');
    model::OrvanStructure(Archive(FromPath(target))).Document[0]->Content().Open()->Read(
        std::as_writable_bytes(std::span(content)));
    EXPECT_EQ(content, "SAMPLE FOR ATTACHMENT\n");

    second = structure->Save();
    const std::string before = ReadBytes(target);
    {
        const auto fault = common::FaultInjection::FailFile(common::FileOperation::Rename);
        EXPECT_THROW(structure->Save(FromPath(target)), common::OrvanIoException);
    }
    EXPECT_EQ(ReadBytes(target), before);
    {
        const auto fault = common::FaultInjection::FailFile(common::FileOperation::Write);
        EXPECT_THROW(structure->Save(), common::OrvanIoException) << "a failing scratch save leaves none";
    }
    second.reset();
    structure->Dispose();
    platform::CloseFile(held);
    EXPECT_EQ(FolderListing(folder), others);
}

}  // namespace
}  // namespace orvan::library::testing
