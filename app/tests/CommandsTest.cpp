#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "PlatformCapture.h"
#include "TempDir.h"
#include "app/DataDirectory.h"
#include "app/OrvanCommands.h"
#include "library/Archive.h"
#include "library/FaultInjection.h"
#include "library/OrvanException.h"
#include "library/model/OrvanStructure.h"
#include "platform/Exception.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

namespace common = Dorv::Orvan::Framework::Common;
namespace model = common::Classes::fullORVAN;
using orvan::testing::PlatformCapture;
using orvan::testing::TempDir;

const std::wstring kExported = L"file 'exportORVAN.orvan' successfully exported!";
const std::wstring kImported = L"file 'exportORVAN.orvan' successfully imported!";

std::string Read(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(DataDirectoryTest, DebugFoldersAreReplacedByTheirReleaseSiblingsExactly) {
    const struct {
        const wchar_t* executable;
        const wchar_t* folder;
    } cases[] = {
        {L"/opt/app/Debug/OrvanCommonClassesTest", L"/opt/app/Release/"},
        {L"/a/Debug/b/Debug/orvan", L"/a/Release/b/Release/"},
        {L"/a/Debug/Debug/orvan", L"/a/Release/Debug/"},
        {L"/a/MyDebug/orvan", L"/a/MyDebug/"},
        {L"/a/debug/orvan", L"/a/debug/"},
        {L"/a/DebugX/orvan", L"/a/DebugX/"},
        {L"orvan", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DataDirectoryOf(c.executable), c.folder) << platform::ToUtf8(c.executable);
    }
}

class CommandsTest : public ::testing::Test {
protected:
    std::filesystem::path Data(const char* name) const { return temp_.Path() / name; }
    model::OrvanStructure Exported() const {
        return model::OrvanStructure(common::Archive(platform::FromPath(Data("exportORVAN.orvan"))));
    }

    TempDir temp_;
    PlatformCapture capture_;
    COrvanCommands commands_{temp_.Wide()};
};

TEST_F(CommandsTest, ExportThenImportWithAddressNumbersContinuing) {
    EXPECT_TRUE(commands_.OnBnClickedExport().Succeeded());
    EXPECT_EQ(Read(Data("document2export.txt")), "sample for attachment\n");
    const auto first = Exported();
    std::vector<std::int64_t> ids;
    for (const model::Address* address : first.Address) {
        ids.push_back(address->ID);
    }
    EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 3, 4}));

    EXPECT_TRUE(commands_.OnBnClickedExport().Succeeded());
    ids.clear();
    for (const model::Address* address : Exported().Address) {
        ids.push_back(address->ID);
    }
    EXPECT_EQ(ids, (std::vector<std::int64_t>{5, 6, 7, 8}));

    std::filesystem::create_directory(Data("temp"));  // an existing folder is normal
    EXPECT_TRUE(commands_.OnBnClickedImport().Succeeded());
    EXPECT_EQ(Read(Data("temp") / "document2export.txt"), "sample for attachment\n");
    EXPECT_EQ(capture_.Messages(), (std::vector<std::wstring>{kExported, kExported, kImported}));
    EXPECT_EQ(capture_.BusyChanges(), (std::vector<bool>{true, false, true, false, true, false}));
    EXPECT_EQ(capture_.AssertionCount(), 0u);
}

TEST_F(CommandsTest, AnExistingAttachmentSourceIsExportedUnchanged) {
    std::ofstream(Data("document2export.txt")) << "eigener Inhalt\nzweite Zeile\n";
    ASSERT_TRUE(commands_.OnBnClickedExport().Succeeded());
    const auto structure = Exported();
    ASSERT_EQ(structure.Document.Count(), 1u);
    EXPECT_EQ(structure.Document[0]->Size, 28);
    EXPECT_EQ(Read(Data("document2export.txt")), "eigener Inhalt\nzweite Zeile\n");
}

TEST_F(CommandsTest, ImportBeforeAnyExportShowsNothingAndCreatesNothing) {
    const CommandOutcome outcome = commands_.OnBnClickedImport();
    EXPECT_EQ(outcome.kind, CommandOutcome::Kind::Failed);
    EXPECT_FALSE(outcome.shown);
    EXPECT_TRUE(capture_.Messages().empty());
    EXPECT_FALSE(std::filesystem::exists(Data("temp")));
    EXPECT_EQ(capture_.AssertionCount(), 1u);
}

TEST_F(CommandsTest, MessagesOfTheReadBackComeBeforeTheSuccessMessage) {
    // The fourth address is the patient's: without it the read-back misses it too.
    const auto fault = common::FaultInjection::FailFactory("OrvanStructure.NewAddress", 4);
    ASSERT_TRUE(commands_.OnBnClickedExport().Succeeded());
    EXPECT_EQ(capture_.Messages(), (std::vector<std::wstring>{L"pPatientAddress->AddressRefID==NULL",
                                                               L"pPatientAddress->AddressRefID==NULL", kExported}));
}

TEST_F(CommandsTest, AnExceptionEndsTheCommandWithItsMessageAfterTheCursorIsBack) {
    const auto fault = common::FaultInjection::FailFile(common::FileOperation::Rename);
    const CommandOutcome outcome = commands_.OnBnClickedExport();
    EXPECT_EQ(outcome.kind, CommandOutcome::Kind::Failed);
    ASSERT_EQ(capture_.Messages().size(), 1u);
    EXPECT_NE(capture_.Messages()[0].find(L"cannot rename the temporary file"), std::wstring::npos);
    EXPECT_EQ(capture_.MessageKinds()[0], platform::MessageKind::Error);
    EXPECT_EQ(capture_.BusyChanges(), (std::vector<bool>{true, false}));
    EXPECT_FALSE(std::filesystem::exists(Data("exportORVAN.orvan")));
}

TEST(RunGuardedTest, EachExceptionFamilyGivesItsMessage) {
    const struct {
        std::function<CommandOutcome()> command;
        const wchar_t* message;
        CommandOutcome::Kind kind;
    } cases[] = {
        {[]() -> CommandOutcome { throw platform::CFileException(L"/data/x", L"Permission denied"); },
         L"'/data/x': Permission denied", CommandOutcome::Kind::Failed},
        {[]() -> CommandOutcome { throw std::bad_alloc(); }, L"Not enough memory.", CommandOutcome::Kind::Failed},
        {[]() -> CommandOutcome { throw common::OrvanIoException(L"cannot read 'a'"); }, L"cannot read 'a'",
         CommandOutcome::Kind::Failed},
        {[]() -> CommandOutcome { throw common::OrvanFormatException(L"archive 'a': damaged"); },
         L"archive 'a': damaged", CommandOutcome::Kind::InvalidInput},
        {[]() -> CommandOutcome { throw std::runtime_error("boom"); }, L"Unexpected error occurred",
         CommandOutcome::Kind::Failed},
        {[]() -> CommandOutcome { throw 7; }, L"Unexpected error occurred", CommandOutcome::Kind::Failed},
    };
    for (const auto& c : cases) {
        PlatformCapture capture;
        const CommandOutcome outcome = RunGuarded(c.command);
        EXPECT_EQ(capture.Messages(), std::vector<std::wstring>{c.message});
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_TRUE(outcome.shown);
    }
}

}  // namespace
}  // namespace orvan::app
