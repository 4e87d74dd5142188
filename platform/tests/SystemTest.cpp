#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <thread>

#include "SystemFacts.h"
#include "TempDir.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

namespace orvan::platform {
namespace {

using orvan::testing::TempDir;

TEST(SystemTest, ExecutablePathNamesThisRunningProgram) {
    const std::wstring path = GetExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
    EXPECT_NE(path.find(L"orvan_platform_tests"), std::wstring::npos);
    const auto status = GetFileStatus(path);
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(status->isRegularFile);
}

TEST(SystemTest, TickCountAdvancesInMilliseconds) {
    const std::uint32_t first = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint32_t elapsed = GetTickCount() - first;  // unsigned: correct across a wrap
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 5'000u);
}

TEST(FileSystemTest, CreateDirectoryIsOwnerOnlyAndFailsWhenPresent) {
    TempDir temp;
    const std::wstring folder = temp.Wide("data");
    ASSERT_TRUE(CreateFolder(folder));
    EXPECT_FALSE(CreateFolder(folder));
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(temp.Path() / "data"));
    EXPECT_FALSE(CreateFolder(temp.Wide("missing/child")));
    EXPECT_FALSE(CreateFolder(L""));
}

TEST(FileSystemTest, StatusTellsSizeAndKind) {
    TempDir temp;
    std::ofstream(temp.Path() / "a.txt") << "12345";
    const auto file = GetFileStatus(temp.Wide("a.txt"));
    ASSERT_TRUE(file.has_value());
    EXPECT_EQ(file->size, 5u);
    EXPECT_TRUE(file->isRegularFile);
    const auto folder = GetFileStatus(temp.Wide());
    ASSERT_TRUE(folder.has_value());
    EXPECT_TRUE(folder->isDirectory);
    EXPECT_FALSE(GetFileStatus(temp.Wide("none")).has_value());
}

TEST(FileSystemTest, DeleteRemovesFilesAndLinksButNeverFoldersOrLinkTargets) {
    TempDir temp;
    std::ofstream(temp.Path() / "target.txt") << "keep";
    std::error_code error;
    std::filesystem::create_symlink(temp.Path() / "target.txt", temp.Path() / "link", error);
    if (error) {
        GTEST_SKIP() << "no symbolic links here (Windows without the privilege): " << error.message();
    }
    std::filesystem::create_directory(temp.Path() / "folder");

    EXPECT_TRUE(RemoveFile(temp.Wide("link")));
    EXPECT_TRUE(std::filesystem::exists(temp.Path() / "target.txt"));
    EXPECT_FALSE(RemoveFile(temp.Wide("folder")));
    EXPECT_TRUE(std::filesystem::is_directory(temp.Path() / "folder"));
    EXPECT_TRUE(RemoveFile(temp.Wide("target.txt")));
    EXPECT_FALSE(RemoveFile(temp.Wide("target.txt")));
}

}  // namespace
}  // namespace orvan::platform
