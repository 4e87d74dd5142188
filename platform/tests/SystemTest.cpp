#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "SystemFacts.h"
#include "TempDir.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

namespace orvan::platform {
namespace {

TEST(SystemTest, ExecutablePathNamesThisRunningProgramAndTicksCountMilliseconds) {
    const std::wstring path = GetExecutablePath();
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
    EXPECT_NE(path.find(L"orvan_platform_tests"), std::wstring::npos);
    const auto status = GetFileStatus(path);
    EXPECT_TRUE(status && status->isRegularFile);

    const std::uint32_t first = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const std::uint32_t elapsed = GetTickCount() - first;  // unsigned: correct across a wrap
    EXPECT_GE(elapsed, 19u);
    EXPECT_LT(elapsed, 5'000u);
}

// A new folder is its owner's only and fails where one is; the status tells
// size and kind; deleting removes files and links, never folders or what a
// link points to.
TEST(FileSystemTest, FoldersFilesAndLinks) {
    orvan::testing::TempDir temp;
    ASSERT_TRUE(CreateFolder(temp.Wide("data")));
    EXPECT_FALSE(CreateFolder(temp.Wide("data")));
    EXPECT_TRUE(orvan::testing::IsOwnerOnly(temp.Path() / "data"));
    EXPECT_FALSE(CreateFolder(temp.Wide("missing/child")));
    EXPECT_FALSE(CreateFolder(L""));

    std::ofstream(temp.Path() / "a.txt") << "12345";
    const auto file = GetFileStatus(temp.Wide("a.txt"));
    EXPECT_TRUE(file && file->size == 5u && file->isRegularFile);
    const auto folder = GetFileStatus(temp.Wide("data"));
    EXPECT_TRUE(folder && folder->isDirectory);
    EXPECT_FALSE(GetFileStatus(temp.Wide("none")).has_value());

    EXPECT_FALSE(RemoveFile(temp.Wide("data")));
    EXPECT_TRUE(std::filesystem::is_directory(temp.Path() / "data"));
    if (orvan::testing::TryLink(temp.Path() / "a.txt", temp.Path() / "link")) {  // not on Windows without the privilege
        EXPECT_TRUE(RemoveFile(temp.Wide("link")));
        EXPECT_TRUE(std::filesystem::exists(temp.Path() / "a.txt"));
    }
    EXPECT_TRUE(RemoveFile(temp.Wide("a.txt")));
    EXPECT_FALSE(RemoveFile(temp.Wide("a.txt")));
}

}  // namespace
}  // namespace orvan::platform
