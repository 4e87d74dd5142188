#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "PlatformCapture.h"
#include "TempDir.h"
#include "app/ArchiveInspection.h"
#include "exchange/OrvanHandler.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

using orvan::platform::FromPath;

const std::filesystem::path kWriters = ORVAN_SOURCE_DIR "/app/tests/writers";

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every archive of the folder but the reference: one archive packed again by
// another ZIP writer (see make-fixtures.sh beside them).
std::vector<std::filesystem::path> Repacked() {
    std::vector<std::filesystem::path> archives;
    for (const auto& entry : std::filesystem::directory_iterator(kWriters)) {
        if (entry.path().extension() == ".orvan" && entry.path().stem() != "reference") {
            archives.push_back(entry.path());
        }
    }
    std::sort(archives.begin(), archives.end());
    return archives;
}

class OtherWritersTest : public ::testing::Test {
protected:
    // Imports `archive` into a fresh attachment folder, the same path each time.
    structOrvanOnePatientComm Import(const std::filesystem::path& archive) {
        std::filesystem::remove_all(Out());
        std::filesystem::create_directory(Out());
        structOrvanOnePatientComm record;
        COrvanHandler handler;
        EXPECT_EQ(handler.DoOrvanImport(FromPath(archive), FromPath(Out()), &record), 1) << archive;
        return record;
    }
    std::filesystem::path Out() const { return temp_.Path() / "out"; }

    orvan::testing::TempDir temp_;
    orvan::testing::PlatformCapture capture_;
};

// Data descriptors in all their forms, folder entries, extra fields, entries
// in another order: each writer's archive is the reference archive to every
// reader of ours.
TEST_F(OtherWritersTest, EachWritersArchiveImportsChecksAndDumpsAsTheReference) {
    const std::filesystem::path reference = kWriters / "reference.orvan";
    const std::string referenceDump = DumpArchive(FromPath(reference), false);
    const std::string referenceJson = DumpArchive(FromPath(reference), true);
    const structOrvanOnePatientComm referenceRecord = Import(reference);
    ASSERT_EQ(Read(Out() / "scan.bin"), Read(kWriters / "scan.bin"));
    const std::string referenceText = Read(Out() / "document2export.txt");

    const std::vector<std::filesystem::path> archives = Repacked();
    EXPECT_GE(archives.size(), 11u);
    for (const std::filesystem::path& archive : archives) {
        SCOPED_TRACE(archive.filename().string());
        EXPECT_EQ(DumpArchive(FromPath(archive), false), referenceDump);
        EXPECT_EQ(DumpArchive(FromPath(archive), true), referenceJson);
        const CheckReport report = CheckArchive(FromPath(archive));
        EXPECT_TRUE(report.Passed());
        EXPECT_EQ(report.attachments, 2u);
        EXPECT_TRUE(Import(archive) == referenceRecord);
        EXPECT_EQ(Read(Out() / "scan.bin"), Read(kWriters / "scan.bin"));
        EXPECT_EQ(Read(Out() / "document2export.txt"), referenceText);
    }
}

}  // namespace
}  // namespace orvan::app
