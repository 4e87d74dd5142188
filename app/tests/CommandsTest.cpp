#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "PlatformCapture.h"
#include "SystemFacts.h"
#include "TempDir.h"
#include "app/DataDirectory.h"
#include "app/OrvanCommands.h"
#include "library/Archive.h"
#include "library/io/FaultInjection.h"
#include "library/OrvanException.h"
#include "library/model/OrvanStructure.h"
#include "platform/Calendar.h"
#include "platform/Exception.h"
#include "platform/System.h"
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
        const CommandOutcome outcome = RunGuarded(orvan::exchange::MessageBoxListener(), c.command);
        EXPECT_EQ(capture.Messages(), std::vector<std::wstring>{c.message});
        EXPECT_EQ(outcome.kind, c.kind);
        EXPECT_TRUE(outcome.shown);
    }
}

}  // namespace
}  // namespace orvan::app

namespace orvan::app {
namespace {

// The demonstration record, value by value; only the clock and the tick
// count are taken from what the generator found, within the call's bounds.
TEST(DemoRecordTest, TheDemonstrationRecordValueByValueAndWithoutAnAttachmentSource) {
    const TempDir temp;
    for (const bool sourceCreatable : {true, false}) {
        const PlatformCapture capture;
        const std::wstring folder = sourceCreatable ? temp.Wide() : temp.Wide("missing");
        COrvanCommands commands(folder);
        structOrvanOnePatientComm record;
        const double before = platform::CurrentOleDate();
        commands.FillOrvanOnePatientCommStruct(record);
        const double after = platform::CurrentOleDate();

        structOrvanOnePatientComm expected;
        expected.Reset();
        const std::wstring idPrefix = L"2.16.756.5.30.1.917.1.10.";
        ASSERT_TRUE(record.sArchive.bstrOrvanId.starts_with(idPrefix));
        const std::wstring tick = record.sArchive.bstrOrvanId.substr(idPrefix.size());
        EXPECT_EQ(std::to_wstring(std::stol(tick)), tick) << "a signed decimal tick count";
        expected.sArchive.bstrOrvanId = record.sArchive.bstrOrvanId;
        expected.sArchive.bstrTitle = L"Orvan Demo-Export: OrvanOnePatientComm";
        expected.sArchive.bstrLanguage = L"de";
        const double now = record.sProcessingInfo.dtDate;
        EXPECT_GE(now, before);
        EXPECT_LE(now, after);
        expected.sProcessingInfo.dtDate = now;
        structOrvanAddress company;
        company.lID = 1;
        company.nAddressType = eAddressTypeCompany;
        company.bstrFamilyname = L"Muster Software AG";
        company.bstrStreet = L"Musterweg 12";
        company.bstrZip = L"9999";
        company.bstrCity = L"Musterdorf";
        company.bstrCountry = L"CH";
        company.bstrOnline1 = L"info@muster-software.example";
        company.bstrOnline2 = L"support@muster-software.example";
        company.bstrOnline3 = company.bstrOnline4 = L"https://www.muster-software.example";
        expected.sProcessingInfo.sAuthorAddress = company;
        expected.sProcessingInfo.sRecipientAddress = company;
        expected.sProcessingInfo.sRecipientAddress.lID = 2;
        expected.sProcessingInfo.sSoftware = {L"DemoPraxis", L"3.0", L"Copyright (C) Muster Software AG", company};
        expected.sProcessingInfo.sSoftware.sManufacturerAddress.lID = 3;
        auto& patient = expected.sPatientInfo;
        patient.lID = 111;
        structOrvanAddress& person = patient.sPatientAddress.sAddress;
        person.lID = 4;
        person.nAddressType = eAddressTypePerson;
        person.bstrFamilyname = L"Muster";
        person.bstrFirstname = L"Max";
        person.bstrStreet = L"Musterweg 12";
        person.bstrZip = L"9999";
        person.bstrCity = L"Musterdorf";
        person.bstrCountry = L"CH";
        patient.sPatientAddress.lAddressRefID = 4;
        patient.sPatientAddress.lPatientID = 111;
        patient.sPatientAddress.nStatusType = 0;
        patient.sPatientAddress.dtBirthDate = 25734.0;  // 1970-06-15
        patient.sPatientAddress.bstrLanguage = L"de";
        patient.sPatientAddress.nEthnicity = 0;
        patient.sPatientAddress.nMaritalStatus = 1;
        structOrvanDiagnosis diagnosis;
        diagnosis.bstrCodingEntryName = diagnosis.bstrName = L"Meine Diganose";
        diagnosis.nCodingType = 4;
        diagnosis.dtDate = 40252.0;  // 2010-03-15
        diagnosis.lID = 1;
        diagnosis.nIsActive = 0;
        patient.sKg.mapDiagnosis[0] = {diagnosis};
        structOrvanMedication medication;
        medication.bstrCodingEntryCode = L"1234567";
        medication.bstrCodingEntryName = medication.bstrName = L"EXAMPLIN Plv 500 mg Btl 20 Stk";
        medication.nCodingType = 0;
        medication.dtDate = 40252.0;
        medication.lID = 1;
        medication.nIsActive = 0;
        structOrvanPosology posology;
        posology.dtDateBegin = 40252.0;
        posology.bstrRemark = L"bei bdearf";
        medication.vecPosology = {posology};
        patient.sKg.vecMedication = {medication};
        if (sourceCreatable) {
            structOrvanDocumentLeaf leaf;
            leaf.bstrComment = L"dies ist ein Kommentar";
            leaf.dtDate = now;
            leaf.lDocumentRefID = 1;
            leaf.bstrName = L"mein Titel";
            leaf.sDocument.bstrFilename = temp.Wide("document2export.txt");
            leaf.sDocument.lID = 1;
            leaf.sDocument.bstrMimeType = L"text/plain";
            leaf.sDocument.lSize = 22;
            structOrvanDocumentTree tree;
            tree.bstrName = L"documents";
            tree.mapDocumentLeaf[1] = {leaf};
            patient.vecDocumentTree = {tree};
            EXPECT_EQ(Read(temp.Path() / "document2export.txt"), "sample for attachment\n");
        }
        EXPECT_EQ(record, expected) << (sourceCreatable ? "with" : "without") << " an attachment source";
        EXPECT_EQ(capture.AssertionCount(), sourceCreatable ? 0u : 1u) << "the source that cannot be created";
    }
}

// Where the program keeps its files: beside itself only in a folder of its
// own, never below the prefix it is installed in, else per user. A Debug
// build's Release sibling not built yet is made for it, owner-only; where it
// cannot be made, the per-user folder serves.
TEST(DataDirectoryTest, TheProgramsOwnFolderOrElseThePerUserOne) {
    const TempDir temp;
    const std::filesystem::path foreign = temp.Path() / "foreign";
    std::filesystem::create_directories(temp.Path() / "bin");
    std::filesystem::create_directories(temp.Path() / "build" / "Debug");
    std::filesystem::create_directory(foreign);
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

}  // namespace
}  // namespace orvan::app
