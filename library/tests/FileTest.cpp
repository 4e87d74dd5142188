#include "library/io/File.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <span>
#include <string>
#include <tuple>

#include "ArchiveTestSupport.h"
#include "TempDir.h"
#include "library/OrvanException.h"
#include "library/io/FaultInjection.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::library::testing {
namespace {

using orvan::platform::FromPath;

const bool kWindows = platform::kPathSeparator == L'\\';

TEST(FilePathTest, FolderAndNameSplitAtTheSystemsSeparators) {
    const std::tuple<std::wstring, std::wstring, std::wstring, bool> cases[] = {  // path, folder, name, Windows only
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
    for (const auto& [path, folder, name, windowsOnly] : cases) {
        if (kWindows || !windowsOnly) {
            EXPECT_EQ(common::ParentFolder(path), folder) << platform::ToUtf8(path);
            EXPECT_EQ(common::LastComponent(path), name) << platform::ToUtf8(path);
        }
    }
}

// An installed program is told by its folder lying in the install prefix:
// whole components only, either separator, and on Windows any letter case.
TEST(FilePathTest, PathsLieInAFolderByWholeComponents) {
    const std::tuple<const wchar_t*, const wchar_t*, bool, bool> cases[] = {  // inside, inside on Windows
        {L"/usr/local/bin/", L"/usr/local", true, true},
        {L"/usr/local", L"/usr/local/", true, true},
        {L"/usr/localbin/", L"/usr/local", false, false},
        {L"/usr/", L"/usr/local", false, false},
        {L"/opt/x", L"/", true, true},
        {L"C:\\Program Files\\Orvan\\", L"C:/Program Files/Orvan", false, true},
        {L"c:\\program files\\ORVAN\\bin\\", L"C:/Program Files/Orvan", false, true},
        {L"C:\\Program Files\\Orvan2\\", L"C:/Program Files/Orvan", false, false},
    };
    for (const auto& [path, folder, inside, insideOnWindows] : cases) {
        EXPECT_EQ(platform::IsInFolder(path, folder), kWindows ? insideOnWindows : inside)
            << platform::ToUtf8(path) << " in " << platform::ToUtf8(folder);
    }
}

// A save over a file someone is reading: the reader goes on reading what it
// opened, the path names the new content, and nothing else is left (on
// Windows, which refuses to replace an open file, the old one moves aside).
// A durable save flushes the folder after the rename, so that the new name
// survives a crash: that is its last flush, and failing it is reported.
TEST(AtomicFileWriterTest, ASaveReplacesAFileOthersReadAndFlushesTheFolderLast) {
    orvan::testing::TempDir temp;
    const auto path = temp.Path() / "record.orvan";
    const auto save = [&](const std::string& content) {
        common::AtomicFileWriter out(FromPath(path));
        out.Write(std::as_bytes(std::span(content.data(), content.size())));
        out.Commit();
    };
    WriteFile(path, "old content");
    {
        const common::File reader = common::File::OpenForReading(FromPath(path));
        save("new content, longer");
        std::string seen(11, '\0');
        ASSERT_EQ(reader.ReadAt(std::as_writable_bytes(std::span(seen.data(), seen.size())), 0), 11u);
        EXPECT_EQ(seen, "old content");
        EXPECT_EQ(ReadBytes(path), "new content, longer");
    }
    // The old file goes with its last reader.
    EXPECT_EQ(FolderListing(temp.Path()), std::set<std::string>{"record.orvan"});

    int syncs = 0;
    {
        const auto counter = common::FaultInjection::FailFile(common::FileOperation::Sync, 1'000'000);
        save("counted");
        syncs = counter.Calls();
    }
    const auto fault = common::FaultInjection::FailFile(common::FileOperation::Sync, syncs, EIO);
    try {
        save("new");
        ADD_FAILURE() << "a failing flush of the folder went unnoticed";
    } catch (const common::OrvanIoException& error) {
        EXPECT_NE(error.Message().find(L"cannot synchronise the folder"), std::wstring::npos) << error.what();
    }
    EXPECT_EQ(ReadBytes(path), "new") << "renamed before the folder's flush";
}

}  // namespace
}  // namespace orvan::library::testing
