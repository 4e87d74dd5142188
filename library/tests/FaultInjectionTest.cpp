#include "library/FaultInjection.h"

#include <gtest/gtest.h>

#include "ArchiveTestSupport.h"
#include "RichStructure.h"
#include "TempDir.h"
#include "library/OrvanException.h"

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

    // The save failed, reported it, and left the old archive and nothing else.
    void ExpectNothingChanged(const std::string& what) {
        EXPECT_THROW(structure_->Save(FromPath(target_)), common::OrvanIoException) << what;
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
        ExpectNothingChanged("write " + std::to_string(nth) + " of " + std::to_string(writes));
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

}  // namespace
}  // namespace orvan::library::testing
