#include "library/io/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "library/io/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::library::testing {
namespace {

using orvan::platform::FromPath;

TEST(FilePathTest, FolderAndNameSplitAtTheSystemsSeparators) {
    const bool windows = platform::kPathSeparator == L'\\';
    const struct {
        std::wstring path;
        std::wstring folder;
        std::wstring name;
        bool onWindowsOnly;
    } cases[] = {
        {L"/tmp/a.orvan", L"/tmp", L"a.orvan", false},
        {L"/a.orvan", L"/", L"a.orvan", false},
        {L"a.orvan", L".", L"a.orvan", false},
        {L"data/x/a.orvan", L"data/x", L"a.orvan", false},
        // A drive's root keeps its separator; without it, it names the drive's current folder.
        {L"C:\\a.orvan", L"C:\\", L"a.orvan", true},
        {L"C:\\Daten\\Müller \U0001F600\\a.orvan", L"C:\\Daten\\Müller \U0001F600", L"a.orvan", true},
        {L"C:/mixed\\a.orvan", L"C:/mixed", L"a.orvan", true},
        {L"\\\\server\\share\\a.orvan", L"\\\\server\\share", L"a.orvan", true},
    };
    for (const auto& c : cases) {
        if (c.onWindowsOnly && !windows) {
            continue;
        }
        SCOPED_TRACE(platform::ToUtf8(c.path));
        EXPECT_EQ(common::ParentFolder(c.path), c.folder);
        EXPECT_EQ(common::LastComponent(c.path), c.name);
    }
}

// An installed program is told by its folder lying in the install prefix:
// whole components only, either separator, and on Windows any letter case.
TEST(FilePathTest, PathsLieInAFolderByWholeComponents) {
    const bool windows = platform::kPathSeparator == L'\\';
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        bool inside;
        bool insideOnWindows;
    };
    for (const Case& c : std::initializer_list<Case>{
             {L"/usr/local/bin/", L"/usr/local", true, true},
             {L"/usr/local", L"/usr/local/", true, true},
             {L"/usr/localbin/", L"/usr/local", false, false},
             {L"/usr/", L"/usr/local", false, false},
             {L"/opt/x", L"/", true, true},
             {L"C:\\Program Files\\Orvan\\", L"C:/Program Files/Orvan", false, true},
             {L"c:\\program files\\ORVAN\\bin\\", L"C:/Program Files/Orvan", false, true},
             {L"C:\\Program Files\\Orvan2\\", L"C:/Program Files/Orvan", false, false},
         }) {
        EXPECT_EQ(platform::IsInFolder(c.path, c.folder), windows ? c.insideOnWindows : c.inside)
            << platform::ToUtf8(c.path) << " in " << platform::ToUtf8(c.folder);
    }
}

// A save over a file someone is reading: the reader goes on reading what it
// opened, the path names the new content, and nothing else is left (on
// Windows, which refuses to replace an open file, the old one moves aside).
TEST(AtomicFileWriterTest, ReplacingAFileOthersReadLeavesThemTheOldContent) {
    orvan::testing::TempDir temp;
    const auto path = temp.Path() / "record.orvan";
    WriteFile(path, "old content");
    {
        const common::File reader = common::File::OpenForReading(FromPath(path));
        common::AtomicFileWriter out(FromPath(path));
        const std::string content = "new content, longer";
        out.Write(std::as_bytes(std::span(content.data(), content.size())));
        out.Commit();
        std::string seen(11, '\0');
        ASSERT_EQ(reader.ReadAt(std::as_writable_bytes(std::span(seen.data(), seen.size())), 0), 11u);
        EXPECT_EQ(seen, "old content");
        EXPECT_EQ(ReadBytes(path), "new content, longer");
    }
    // The old file goes with its last reader.
    EXPECT_EQ(FolderListing(temp.Path()), std::set<std::string>{"record.orvan"});
}

// A durable save flushes the folder after the rename, so that the new name
// survives a crash: that is its last flush, and failing it is reported.
TEST(AtomicFileWriterTest, ADurableSaveFlushesTheFolderLastAfterTheRename) {
    orvan::testing::TempDir temp;
    const auto save = [&] {
        common::AtomicFileWriter out(FromPath(temp.Path() / "record.orvan"));
        out.Write(std::as_bytes(std::span("new", 3)));
        out.Commit();
    };
    int syncs = 0;
    {
        const auto counter = common::FaultInjection::FailFile(common::FileOperation::Sync, 1'000'000);
        save();
        syncs = counter.Calls();
    }
    WriteFile(temp.Path() / "record.orvan", "old");
    const auto fault = common::FaultInjection::FailFile(common::FileOperation::Sync, syncs, EIO);
    try {
        save();
        ADD_FAILURE() << "a failing flush of the folder went unnoticed";
    } catch (const common::OrvanIoException& error) {
        EXPECT_NE(error.Message().find(L"cannot synchronise the folder"), std::wstring::npos) << error.what();
    }
    EXPECT_EQ(ReadBytes(temp.Path() / "record.orvan"), "new") << "renamed before the folder's flush";
}

}  // namespace
}  // namespace orvan::library::testing
