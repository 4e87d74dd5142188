#include "platform/FileName.h"

#include <gtest/gtest.h>

#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace orvan::platform {
namespace {

const bool kWindows = kPathSeparator == L'\\';

// Windows' rules hold on every system; the system's own functions follow
// them on Windows and take every name as it is elsewhere.
TEST(FileNameTest, AStoredNameBecomesTheNameWindowsLetsAFileHave) {
    const struct {
        const wchar_t* name;
        const wchar_t* onWindows;  // "" for none: the caller names the file itself
    } cases[] = {
        {L"Befund.txt", L"Befund.txt"}, {L"a.txt.", L"a.txt"}, {L"a.txt ", L"a.txt"}, {L"x.txt. .", L"x.txt"},
        {L"a.txt:evil", L"a.txt_evil"}, {L"C:evil.txt", L"C_evil.txt"}, {L"x:y:z.txt", L"x_y_z.txt"},
        {L"<>\"|?*.txt", L"______.txt"}, {L"tab\there\x1f", L"tab_here_"}, {L". .", L""}, {L"...", L""},
        {L"NUL", L""}, {L"nul.txt", L""}, {L"Con .pdf", L""}, {L"COM1:", L""}, {L"COM\u00B9.txt", L""},
        {L"lpt\u00B3", L""}, {L"LPT0", L""}, {L"CONIN$", L""}, {L"null", L"null"}, {L"com10", L"com10"},
        {L"a nul", L"a nul"}, {L"M\u00fcller \U0001F600.pdf", L"M\u00fcller \U0001F600.pdf"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.name));
        EXPECT_EQ(WindowsFileName(c.name), c.onWindows);
        EXPECT_EQ(UsableFileName(c.name), kWindows ? c.onWindows : c.name);
    }
}

TEST(FileNameTest, NamesAreOneFileWhereTheFileSystemSaysSo) {
    const struct {
        const wchar_t* a;
        const wchar_t* b;
        bool oneOnWindows;
    } cases[] = {
        {L"Report.txt", L"report.txt", true}, {L"\u00c4.txt", L"\u00e4.txt", true},
        {L"\u03a3", L"\u03c3", true}, {L"\u03c3", L"\u03c2", true}, {L"\u042f", L"\u044f", true},
        {L"\u0131", L"I", true}, {L"a.txt.", L"a.txt", true}, {L"x.txt. .", L"X.TXT", true},
        {L"\U00010400", L"\U00010428", true}, {L"a.txt", L"a.txt_", false}, {L"\u00df", L"ss", false},
        {L"a", L"\u00e0", false}, {L" a", L"a", false}, {L"a.txt", L"a.txt", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.a) + " " + ToUtf8(c.b));
        EXPECT_EQ(WindowsFileNameKey(c.a) == WindowsFileNameKey(c.b), c.oneOnWindows);
        EXPECT_EQ(SameFileName(c.a, c.b), kWindows ? c.oneOnWindows : std::wstring_view(c.a) == c.b);
    }
}

TEST(FileNameTest, ADeviceIsNamedByItsOwnNameOrByAccident) {
    const struct {
        const wchar_t* path;
        DeviceName onWindows;
    } cases[] = {
        {L"nul.json", DeviceName::Stem}, {L"C:\\x\\CON .txt", DeviceName::Stem}, {L"COM1:x", DeviceName::Stem},
        {L"out/aux.orvan", DeviceName::Stem}, {L"NUL", DeviceName::Own}, {L"\\\\.\\NUL", DeviceName::Own},
        {L"C:\\x\\con", DeviceName::Own}, {L"null.json", DeviceName::None}, {L"/dev/null", DeviceName::None},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NamedDevice(c.path), kWindows ? c.onWindows : DeviceName::None) << ToUtf8(c.path);
    }
}

}  // namespace
}  // namespace orvan::platform
