#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "FileContent.h"
#include "PlatformCapture.h"
#include "SystemFacts.h"
#include "TempDir.h"
#include "app/DataDirectory.h"
#include "app/OrvanCommands.h"
#include "library/Archive.h"
#include "library/io/FaultInjection.h"
#include "library/OrvanException.h"
#include "library/model/OrvanStructure.h"
#include "platform/Exception.h"
#include "platform/System.h"
#include "platform/Utf8.h"

namespace orvan::app {
namespace {

namespace common = Dorv::Orvan::Framework::Common;
namespace model = common::Classes::fullORVAN;
using orvan::testing::PlatformCapture;
using orvan::testing::ReadBytes;
using orvan::testing::TempDir;

const std::wstring kExported = L"file 'exportORVAN.orvan' successfully exported!";
const std::wstring kImported = L"file 'exportORVAN.orvan' successfully imported!";

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

// Where the program keeps its files: beside itself only in a folder of its
// own, never below the prefix it is installed in, else per user. A Debug
// build's Release sibling not built yet is made for it, owner-only; where it
// cannot be made, the per-user folder serves.
TEST(DataDirectoryTest, TheProgramsOwnFolderOrElseThePerUserOne) {
    const TempDir temp;
    for (const char* folder : {"bin", "build/Debug", "foreign"}) {
        std::filesystem::create_directories(temp.Path() / folder);
    }
    const std::filesystem::path foreign = temp.Path() / "foreign";
    std::filesystem::permissions(foreign, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(foreign.c_str(), 65534, 65534), 0);  // root writes anywhere: a folder of another user
    }
    std::ofstream(temp.Path() / "file") << "no folder below it";
    const std::string dataHome = (temp.Path() / "data").string();
    ::setenv("XDG_DATA_HOME", dataHome.c_str(), 1);
    const std::wstring perUser = platform::FromUtf8(dataHome) + L"/OrvanCommonClassesTest/";
    const std::wstring root = temp.Wide() + L"/";
    const struct {
        const wchar_t* executable;
        std::wstring prefix;
        std::wstring folder;
    } cases[] = {
        {L"bin/orvan", L"/usr/local", root + L"bin/"},
        {L"bin/orvan", temp.Wide(), perUser},  // installed
        {L"bin/orvan", root, perUser},
        {L"foreign/orvan", L"/usr/local", perUser},  // not the user's
        {L"build/Debug/orvan", L"/usr/local", root + L"build/Release/"},
        {L"file/Debug/orvan", L"/usr/local", perUser},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DataDirectoryFor(root + c.executable, c.prefix), c.folder) << platform::ToUtf8(c.executable);
    }
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(temp.Path() / "build" / "Release"));
    EXPECT_TRUE(std::filesystem::is_directory(dataHome + "/OrvanCommonClassesTest"));

    ::setenv("XDG_DATA_HOME", "relative/data", 1);
    ::setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(platform::UserDataFolder(), L"/home/someone/.local/share") << "a relative XDG_DATA_HOME counts as unset";
    ::unsetenv("HOME");
    const passwd* user = ::getpwuid(::geteuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(platform::UserDataFolder(), platform::FromUtf8(user->pw_dir) + L"/.local/share") << "no HOME: the user's home";
    ::unsetenv("XDG_DATA_HOME");
}

class CommandsTest : public ::testing::Test {
protected:
    std::filesystem::path Data(const char* name) const { return temp_.Path() / name; }
    std::vector<std::int64_t> ExportedAddressIds() const {
        std::vector<std::int64_t> ids;
        const common::Archive archive(platform::FromPath(Data("exportORVAN.orvan")));
        for (const model::Address* address : model::OrvanStructure(archive).Address) {
            ids.push_back(address->ID);
        }
        return ids;
    }

    TempDir temp_;
    PlatformCapture capture_;
    COrvanCommands commands_{temp_.Wide()};
};

// Import before any Export shows nothing and creates nothing. The first
// Export makes the attachment source; a later one takes the source as the
// user left it. Address numbers continue across the exports of a run.
TEST_F(CommandsTest, ExportThenImportWithAddressNumbersContinuing) {
    const CommandOutcome early = commands_.OnBnClickedImport();
    EXPECT_EQ(early.kind, CommandOutcome::Kind::Failed);
    EXPECT_FALSE(early.shown);
    EXPECT_FALSE(std::filesystem::exists(Data("temp")));
    EXPECT_EQ(capture_.AssertionCount(), 1u);

    EXPECT_TRUE(commands_.OnBnClickedExport().Succeeded());
    EXPECT_EQ(ReadBytes(Data("document2export.txt")), "sample for attachment\n");
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(Data("document2export.txt")));
    EXPECT_EQ(ExportedAddressIds(), (std::vector<std::int64_t>{1, 2, 3, 4}));
    std::ofstream(Data("document2export.txt")) << "eigener Inhalt\nzweite Zeile\n";
    EXPECT_TRUE(commands_.OnBnClickedExport().Succeeded());
    EXPECT_EQ(ExportedAddressIds(), (std::vector<std::int64_t>{5, 6, 7, 8}));

    std::filesystem::create_directory(Data("temp"));  // an existing folder is normal
    EXPECT_TRUE(commands_.OnBnClickedImport().Succeeded());
    EXPECT_EQ(ReadBytes(Data("temp") / "document2export.txt"), "eigener Inhalt\nzweite Zeile\n");
    EXPECT_EQ(capture_.Messages(), (std::vector<std::wstring>{kExported, kExported, kImported}));
    EXPECT_EQ(capture_.BusyChanges(), (std::vector<bool>{true, false, true, false, true, false, true, false}));
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
    EXPECT_EQ(commands_.OnBnClickedExport().kind, CommandOutcome::Kind::Failed);
    ASSERT_EQ(capture_.Messages().size(), 1u);
    EXPECT_NE(capture_.Messages()[0].find(L"cannot rename the temporary file"), std::wstring::npos);
    EXPECT_EQ(capture_.MessageKinds()[0], platform::MessageKind::Error);
    EXPECT_EQ(capture_.BusyChanges(), (std::vector<bool>{true, false}));
    EXPECT_FALSE(std::filesystem::exists(Data("exportORVAN.orvan")));
}

template <typename Exception>
std::function<CommandOutcome()> Throwing(Exception exception) {
    return [exception]() -> CommandOutcome { throw exception; };
}

TEST(RunGuardedTest, EachExceptionFamilyGivesItsMessage) {
    using Kind = CommandOutcome::Kind;
    const struct {
        std::function<CommandOutcome()> command;
        const wchar_t* message;
        Kind kind;
    } cases[] = {
        {Throwing(platform::CFileException(L"/data/x", L"Permission denied")), L"'/data/x': Permission denied", Kind::Failed},
        {Throwing(common::OrvanIoException(L"cannot read 'a'")), L"cannot read 'a'", Kind::Failed},
        {Throwing(common::OrvanFormatException(L"archive 'a': damaged")), L"archive 'a': damaged", Kind::InvalidInput},
        {Throwing(std::runtime_error("boom")), L"Unexpected error occurred", Kind::Failed},
    };
    for (const auto& c : cases) {
        PlatformCapture capture;
        const CommandOutcome outcome = RunGuarded(orvan::exchange::MessageBoxListener(), c.command);
        EXPECT_EQ(capture.Messages(), std::vector<std::wstring>{c.message});
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_TRUE(outcome.shown);
    }
}

// The demonstration record fills each part of the record once, under an
// archive id of the sender's root and a signed tick count. Its attachment is
// the source the user left (the export test has it made when missing); where
// none can be made, the record goes without its document tree and is
// otherwise the same.
TEST(DemoRecordTest, EachPartOnceAndTheAttachmentSourceMadeWhenMissing) {
    const TempDir temp;
    std::ofstream(temp.Path() / "document2export.txt") << "eigener Inhalt\nzweite Zeile\n";
    const auto demo = [](const std::wstring& folder, std::size_t assertions) {
        const PlatformCapture capture;
        structOrvanOnePatientComm record;
        COrvanCommands(folder).FillOrvanOnePatientCommStruct(record);
        EXPECT_EQ(capture.AssertionCount(), assertions) << "a source that cannot be made is reported";
        return record;
    };
    const structOrvanOnePatientComm record = demo(temp.Wide(), 0);
    const std::wstring root = L"2.16.756.5.30.1.917.1.10.";
    ASSERT_TRUE(record.sArchive.bstrOrvanId.starts_with(root));
    const std::wstring tick = record.sArchive.bstrOrvanId.substr(root.size());
    EXPECT_EQ(std::to_wstring(std::stoi(tick)), tick) << "a 32-bit signed decimal tick count";
    const auto& kg = record.sPatientInfo.sKg;
    const auto& leaves = record.sPatientInfo.vecDocumentTree.at(0).mapDocumentLeaf;
    EXPECT_EQ((std::vector<std::size_t>{kg.mapDiagnosis.size(), kg.mapDiagnosis.at(0).size(), kg.vecMedication.size(),
                                        kg.vecMedication.at(0).vecPosology.size(), leaves.size(), leaves.at(1).size()}),
              std::vector<std::size_t>(6, 1));
    EXPECT_EQ(leaves.at(1).at(0).sDocument.bstrFilename, temp.Wide("document2export.txt"));
    EXPECT_EQ(leaves.at(1).at(0).sDocument.lSize, 28);

    structOrvanOnePatientComm without = demo(temp.Wide("missing"), 1);
    EXPECT_TRUE(without.sPatientInfo.vecDocumentTree.empty());
    without.sArchive.bstrOrvanId = record.sArchive.bstrOrvanId;
    without.sProcessingInfo.dtDate = record.sProcessingInfo.dtDate;
    without.sPatientInfo.vecDocumentTree = record.sPatientInfo.vecDocumentTree;
    EXPECT_EQ(without, record);
}

}  // namespace
}  // namespace orvan::app
