#include "library/io/FaultInjection.h"

#include <gtest/gtest.h>

#include <vector>

#include "ArchiveTestSupport.h"
#include "RichStructure.h"
#include "TempDir.h"
#include "library/OrvanException.h"

namespace orvan::library::testing {
namespace {

using common::FaultInjection;
using common::FileOperation;
using orvan::platform::FromPath;

// A save over an existing archive failing at every write in turn, and at
// every other file operation: it fails, reports it never naming a temporary
// file (a failed write names the archive asked for), and leaves the old
// archive and nothing else.
TEST(SaveFailureTest, AFailureAtAnyFileOperationLeavesTheOldArchiveByteForByte) {
    orvan::testing::TempDir temp;
    const auto structure = MakeRichStructure(temp.Path());
    const auto target = temp.Path() / "record.orvan";
    ASSERT_NE(structure->Save(FromPath(target)), nullptr);
    const std::string original = ReadBytes(target);
    const auto listing = FolderListing(temp.Path());
    structure->NewAddress()->ID = 77;  // the next save writes something new
    std::vector<std::pair<FileOperation, int>> faults{{FileOperation::Open, 1}, {FileOperation::Read, 1},
                                                      {FileOperation::Sync, 1}, {FileOperation::Close, 1},
                                                      {FileOperation::Rename, 1}};
    {
        const auto counter = FaultInjection::FailFile(FileOperation::Write, 1'000'000);
        structure->Save(FromPath(temp.Path() / "count.orvan"));
        for (int nth = 1; nth <= counter.Calls(); ++nth) {
            faults.emplace_back(FileOperation::Write, nth);
        }
        std::filesystem::remove(temp.Path() / "count.orvan");
    }
    for (const auto& [operation, nth] : faults) {
        const bool write = operation == FileOperation::Write;
        const std::string what =
            "operation " + std::to_string(static_cast<int>(operation)) + " call " + std::to_string(nth);
        const auto fault = FaultInjection::FailFile(operation, nth, write ? ENOSPC : EIO);
        try {
            structure->Save(FromPath(target));
            ADD_FAILURE() << what << ": the save succeeded";
        } catch (const common::OrvanIoException& error) {
            const std::string message = platform::ToUtf8(error.Message());
            EXPECT_EQ(message.find(".tmp-"), std::string::npos) << what << ": " << message;
            EXPECT_TRUE(!write || message.find("cannot write '" + target.string() + "'") != std::string::npos)
                << what << ": " << message;
        }
        EXPECT_TRUE(fault.Fired()) << what;
        EXPECT_EQ(ReadBytes(target), original) << what;
        EXPECT_EQ(FolderListing(temp.Path()), listing) << what << ": no temporary file is left";
    }
    ASSERT_GT(faults.size(), 5u);

    const auto refused = FaultInjection::FailFactory("PrimaryClass.Save");
    EXPECT_EQ(structure->Save(FromPath(temp.Path() / "other.orvan")), nullptr);
    EXPECT_FALSE(std::filesystem::exists(temp.Path() / "other.orvan")) << "a save the seam refuses writes nothing";
}

// A writer's temporary file is locked before it has a name, so another
// import's clean-up never takes it for one a killed writer left.
TEST(TemporaryFileTest, AWritersTemporaryFileSurvivesAnotherImportsCleanup) {
    orvan::testing::TempDir temp;
    const int failed = FailuresBesideACleanup(temp.Path(), 1000, [&](int i) {
        try {
            common::AtomicFileWriter out(FromPath(temp.Path() / "target"), /*durable=*/false);
            const std::string content = "content " + std::to_string(i);
            out.Write(std::as_bytes(std::span(content.data(), content.size())));
            out.Commit();
            return true;
        } catch (const common::OrvanIoException& error) {
            ADD_FAILURE() << error.what();
            return false;
        }
    });
    EXPECT_EQ(failed, 0) << "a temporary file was removed while it was written";
    EXPECT_EQ(ReadBytes(temp.Path() / "target"), "content 999");
    EXPECT_EQ(FolderListing(temp.Path()), std::set<std::string>{"target"});
}

}  // namespace
}  // namespace orvan::library::testing
