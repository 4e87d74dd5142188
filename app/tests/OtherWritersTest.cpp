#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "FileContent.h"
#include "PlatformCapture.h"
#include "TempDir.h"
#include "app/ArchiveInspection.h"
#include "exchange/OrvanHandler.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

using orvan::platform::FromPath;
using orvan::testing::ReadBytes;

const std::filesystem::path kWriters = ORVAN_SOURCE_DIR "/app/tests/writers";

// Data descriptors in all their forms, folder entries, extra fields, entries
// in another order: each archive beside the reference is the reference packed
// again by another ZIP writer (see make-fixtures.sh there), and is the
// reference to every reader of ours.
TEST(OtherWritersTest, EachWritersArchiveImportsChecksAndDumpsAsTheReference) {
    const orvan::testing::TempDir temp;
    const orvan::testing::PlatformCapture capture;
    const std::filesystem::path out = temp.Path() / "out";
    // Imports `archive` into a fresh attachment folder, the same path each time.
    const auto import = [&](const std::filesystem::path& archive) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directory(out);
        structOrvanOnePatientComm record;
        EXPECT_EQ(COrvanHandler().DoOrvanImport(FromPath(archive), FromPath(out), &record), 1) << archive;
        return record;
    };
    const std::filesystem::path reference = kWriters / "reference.orvan";
    const structOrvanOnePatientComm referenceRecord = import(reference);
    ASSERT_EQ(ReadBytes(out / "scan.bin"), ReadBytes(kWriters / "scan.bin"));
    const std::string referenceText = ReadBytes(out / "document2export.txt");
    std::size_t writers = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kWriters)) {
        const std::filesystem::path& archive = entry.path();
        if (archive.extension() != ".orvan" || archive == reference) {
            continue;
        }
        SCOPED_TRACE(archive.filename().string());
        ++writers;
        EXPECT_EQ(DumpArchive(FromPath(archive), false), DumpArchive(FromPath(reference), false));
        EXPECT_EQ(DumpArchive(FromPath(archive), true), DumpArchive(FromPath(reference), true));
        const CheckReport report = CheckArchive(FromPath(archive));
        EXPECT_TRUE(report.Passed());
        EXPECT_EQ(report.attachments, 2u);
        EXPECT_TRUE(import(archive) == referenceRecord);
        EXPECT_EQ(ReadBytes(out / "scan.bin"), ReadBytes(kWriters / "scan.bin"));
        EXPECT_EQ(ReadBytes(out / "document2export.txt"), referenceText);
    }
    EXPECT_GE(writers, 11u);
}

}  // namespace
}  // namespace orvan::app
