#include "platform/FileName.h"

#include <gtest/gtest.h>

#include <tuple>
#include <utility>

#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::platform {
namespace {

const bool kWindows = kPathSeparator == L'\\';

// Windows' rules hold on every system; the system's own functions follow
// them on Windows and take every name as it is elsewhere.
TEST(FileNameTest, AStoredNameBecomesTheNameWindowsLetsAFileHave) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {  // "" for none: the caller names the file itself
        {L"Befund.txt", L"Befund.txt"}, {L"a.txt.", L"a.txt"}, {L"a.txt ", L"a.txt"}, {L"x.txt. .", L"x.txt"},
        {L"a.txt:evil", L"a.txt_evil"}, {L"C:evil.txt", L"C_evil.txt"}, {L"x:y:z.txt", L"x_y_z.txt"},
        {L"<>\"|?*.txt", L"______.txt"}, {L"tab\there\x1f", L"tab_here_"}, {L". .", L""}, {L"...", L""},
        {L"NUL", L""}, {L"nul.txt", L""}, {L"Con .pdf", L""}, {L"COM1:", L""}, {L"COM\u00B9.txt", L""},
        {L"lpt\u00B3", L""}, {L"LPT0", L""}, {L"CONIN$", L""}, {L"null", L"null"}, {L"com10", L"com10"},
        {L"a nul", L"a nul"}, {L"M\u00fcller \U0001F600.pdf", L"M\u00fcller \U0001F600.pdf"},
    };
    for (const auto& [name, onWindows] : cases) {
        SCOPED_TRACE(ToUtf8(name));
        EXPECT_EQ(WindowsFileName(name), onWindows);
        EXPECT_EQ(UsableFileName(name), kWindows ? onWindows : name);
    }
}

TEST(FileNameTest, NamesAreOneFileWhereTheFileSystemSaysSo) {
    const std::tuple<const wchar_t*, const wchar_t*, bool> cases[] = {  // whether one on Windows
        {L"Report.txt", L"report.txt", true}, {L"\u00c4.txt", L"\u00e4.txt", true},
        {L"\u03a3", L"\u03c3", true}, {L"\u03c3", L"\u03c2", true}, {L"\u042f", L"\u044f", true},
        {L"\u0131", L"I", true}, {L"a.txt.", L"a.txt", true}, {L"x.txt. .", L"X.TXT", true},
        {L"\U00010400", L"\U00010428", true}, {L"a.txt", L"a.txt_", false}, {L"\u00df", L"ss", false},
        {L"a", L"\u00e0", false}, {L" a", L"a", false}, {L"a.txt", L"a.txt", true},
    };
    for (const auto& [a, b, oneOnWindows] : cases) {
        SCOPED_TRACE(ToUtf8(a) + " " + ToUtf8(b));
        EXPECT_EQ(WindowsFileNameKey(a) == WindowsFileNameKey(b), oneOnWindows);
        EXPECT_EQ(SameFileName(a, b), kWindows ? oneOnWindows : std::wstring_view(a) == b);
    }
}

TEST(FileNameTest, ADeviceIsNamedByItsOwnNameOrByAccident) {
    const std::pair<const wchar_t*, DeviceName> cases[] = {  // as Windows takes the path
        {L"nul.json", DeviceName::Stem}, {L"C:\\x\\CON .txt", DeviceName::Stem}, {L"COM1:x", DeviceName::Stem},
        {L"out/aux.orvan", DeviceName::Stem}, {L"NUL", DeviceName::Own}, {L"\\\\.\\NUL", DeviceName::Own},
        {L"C:\\x\\con", DeviceName::Own}, {L"null.json", DeviceName::None}, {L"/dev/null", DeviceName::None},
    };
    for (const auto& [path, onWindows] : cases) {
        EXPECT_EQ(NamedDevice(path), kWindows ? onWindows : DeviceName::None) << ToUtf8(path);
    }
}

}  // namespace
}  // namespace orvan::platform
