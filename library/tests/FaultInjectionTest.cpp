#include "library/io/FaultInjection.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>
#include <cstdio>
#include <random>

#include "ArchiveTestSupport.h"
#include "RichStructure.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "library/io/File.h"

namespace orvan::library::testing {
namespace {

using common::FaultInjection;
using common::FileOperation;
using orvan::platform::FromPath;

class SaveFailureTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(structure_->Save(FromPath(target_)), nullptr);
        original_ = ReadBytes(target_);
        listing_ = FolderListing(temp_.Path());
        structure_->NewAddress()->ID = 77;  // the next save writes something new
    }

    // The save failed, reported it never naming a temporary file (a failed
    // write names the archive asked for), and left the old archive and
    // nothing else.
    void ExpectNothingChanged(const std::string& what, bool aWriteFailed = false) {
        try {
            structure_->Save(FromPath(target_));
            ADD_FAILURE() << what << ": the save succeeded";
        } catch (const common::OrvanIoException& error) {
            const std::string message = platform::ToUtf8(error.Message());
            EXPECT_EQ(message.find(".tmp-"), std::string::npos) << what << ": " << message;
            EXPECT_TRUE(!aWriteFailed || message.find("cannot write '" + target_.string() + "'") != std::string::npos)
                << what << ": " << message;
        }
        EXPECT_EQ(ReadBytes(target_), original_) << what;
        EXPECT_EQ(FolderListing(temp_.Path()), listing_) << what << ": no temporary file is left";
    }

    orvan::testing::TempDir temp_;
    std::unique_ptr<model::OrvanStructure> structure_ = MakeRichStructure(temp_.Path());
    std::filesystem::path target_ = temp_.Path() / "record.orvan";
    std::string original_;
    std::set<std::string> listing_;
};

TEST_F(SaveFailureTest, AFullDiskAtAnyWriteLeavesTheOldArchiveByteForByte) {
    int writes = 0;
    {
        const auto counter = FaultInjection::FailFile(FileOperation::Write, 1'000'000);
        structure_->Save(FromPath(temp_.Path() / "count.orvan"));
        writes = counter.Calls();
        std::filesystem::remove(temp_.Path() / "count.orvan");
    }
    ASSERT_GT(writes, 0);
    for (int nth = 1; nth <= writes; ++nth) {
        const auto fault = FaultInjection::FailFile(FileOperation::Write, nth);
        ExpectNothingChanged("write " + std::to_string(nth) + " of " + std::to_string(writes), true);
        EXPECT_TRUE(fault.Fired());
    }
}

TEST_F(SaveFailureTest, FailingOpenSyncCloseOrRenameLeavesTheOldArchive) {
    for (const auto operation : {FileOperation::Open, FileOperation::Sync, FileOperation::Close,
                                 FileOperation::Rename, FileOperation::Read}) {
        const auto fault = FaultInjection::FailFile(operation, 1, EIO);
        ExpectNothingChanged("operation " + std::to_string(static_cast<int>(operation)));
        EXPECT_TRUE(fault.Fired());
    }
}

TEST_F(SaveFailureTest, ASaveTheSeamRefusesWritesNothing) {
    const auto fault = FaultInjection::FailFactory("PrimaryClass.Save");
    EXPECT_EQ(structure_->Save(FromPath(temp_.Path() / "other.orvan")), nullptr);
    EXPECT_FALSE(std::filesystem::exists(temp_.Path() / "other.orvan"));
}

TEST(FactoryFaultTest, OnlyTheChosenCallOfTheChosenFactoryReturnsNothing) {
    model::OrvanStructure structure(L"x");
    const auto fault = FaultInjection::FailFactory("OrvanStructure.NewAddress", 2);
    EXPECT_NE(structure.NewAddress(), nullptr);
    EXPECT_NE(structure.NewDocument(), nullptr) << "other factories are not affected";
    EXPECT_EQ(structure.NewAddress(), nullptr);
    EXPECT_NE(structure.NewAddress(), nullptr);
    EXPECT_EQ(structure.Address.Count(), 2u) << "a refused object is not attached";
    EXPECT_TRUE(fault.Fired());
    EXPECT_EQ(fault.Calls(), 3);
}

TEST(ExportFailureTest, AnAttachmentThatFailsHalfwayLeavesNoFileAndTheOldOneIntact) {
    orvan::testing::TempDir temp;
    WriteFile(temp.Path() / "big.bin", std::string(3 << 20, 'b'));
    model::OrvanStructure structure(L"x");
    auto* document = structure.NewDocument();
    document->ImportFile(FromPath(temp.Path() / "big.bin"));
    WriteFile(temp.Path() / "existing.bin", "keep me");
    const auto listing = FolderListing(temp.Path());

    const auto fault = FaultInjection::FailFile(FileOperation::Write, 2);
    EXPECT_THROW(document->ExportFile(FromPath(temp.Path() / "existing.bin")), common::OrvanIoException);
    EXPECT_EQ(ReadBytes(temp.Path() / "existing.bin"), "keep me");
    EXPECT_EQ(FolderListing(temp.Path()), listing);
}

// Another import's clean-up of temporary files left by killed writers runs
// while a writer lives: its temporary file is locked before it has a name, so
// the clean-up never takes it for a leftover.
TEST(TemporaryFileTest, AWritersTemporaryFileSurvivesAnotherImportsCleanup) {
    orvan::testing::TempDir temp;
    std::atomic<bool> done{false};
    std::thread cleaner([&] {
        while (!done.load()) {
            common::RemoveStaleTemporaries(FromPath(temp.Path()));
        }
    });
    int failed = 0;
    for (int i = 0; i < 1000; ++i) {
        try {
            common::AtomicFileWriter out(FromPath(temp.Path() / "target"), /*durable=*/false);
            const std::string content = "content " + std::to_string(i);
            out.Write(std::as_bytes(std::span(content.data(), content.size())));
            out.Commit();
        } catch (const common::OrvanIoException& error) {
            if (failed++ == 0) {
                ADD_FAILURE() << error.what();
            }
        }
    }
    done = true;
    cleaner.join();
    EXPECT_EQ(failed, 0) << "a temporary file was removed while it was written";
    EXPECT_EQ(ReadBytes(temp.Path() / "target"), "content 999");
    EXPECT_EQ(FolderListing(temp.Path()), std::set<std::string>{"target"});
}

// Faults are armed and disarmed on one thread while the library asks for them
// on others (the structure document is parsed on a thread of its own).
TEST(FactoryFaultTest, FaultsMayBeArmedWhileOtherThreadsAskForThem) {
    std::atomic<bool> done{false};
    std::thread asking([&] {
        while (!done.load()) {
            FaultInjection::FileFails(FileOperation::Read);
            FaultInjection::ThreadFails("worker");
        }
    });
    for (int i = 0; i < 2000; ++i) {
        std::vector<FaultInjection> faults;
        for (int j = 0; j <= i % 7; ++j) {  // the table grows and shrinks again
            faults.push_back(FaultInjection::FailFile(FileOperation::Read, 1000000, 5));
        }
    }
    done = true;
    asking.join();
    const auto fault = FaultInjection::FailFile(FileOperation::Read, 1, 5);
    EXPECT_EQ(FaultInjection::FileFails(FileOperation::Read), 5);
    EXPECT_TRUE(fault.Fired());
}

}  // namespace
}  // namespace orvan::library::testing
