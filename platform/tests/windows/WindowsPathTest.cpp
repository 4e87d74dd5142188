// Windows' own answers, against which the platform's rules are checked.
#include <gtest/gtest.h>

#include <windows.h>

#include <tuple>

#include "platform/CaseFolding.h"
#include "platform/FileName.h"
#include "platform/Utf8.h"
#include "platform/windows/Win32.h"

namespace orvan::platform {
namespace {

// Every two letters of the basic plane that the system's own comparison of
// names takes as one are one case class: no name can reach another's file.
TEST(WindowsPathTest, LettersTheSystemTakesAsOneAreOneCaseClass) {
    for (unsigned code = 1; code <= 0xFFFF; code = code == 0xD7FF ? 0xE000 : code + 1) {
        const auto c = static_cast<wchar_t>(code);
        wchar_t upper = c;
        ::CharUpperBuffW(&upper, 1);
        if (::CompareStringOrdinal(&c, 1, &upper, 1, TRUE) == CSTR_EQUAL) {
            EXPECT_EQ(CaseClass(c), CaseClass(upper)) << std::hex << code;
        }
    }
}

TEST(WindowsPathTest, EveryPathFormBecomesTheSystemsOwn) {
    const std::wstring deep = L"C:\\" + std::wstring(300, L'd') + L"\\a.orvan";
    // Each path as the NT path, the Win32 path and the plain path ("" where it is the path itself).
    const std::tuple<std::wstring, std::wstring, std::wstring, std::wstring> cases[] = {
        {L"C:\\data\\a.orvan", L"\\??\\C:\\data\\a.orvan", L"C:\\data\\a.orvan", L""},
        {L"\\\\?\\C:\\data\\a.orvan", L"\\??\\C:\\data\\a.orvan", L"\\\\?\\C:\\data\\a.orvan", L"C:\\data\\a.orvan"},
        {L"\\\\.\\C:\\data\\a.orvan", L"\\??\\C:\\data\\a.orvan", L"\\\\.\\C:\\data\\a.orvan", L"C:\\data\\a.orvan"},
        {L"\\\\.\\NUL", L"\\??\\NUL", L"\\\\.\\NUL", L""},
        {L"\\\\server\\share\\a.orvan", L"\\??\\UNC\\server\\share\\a.orvan", L"\\\\server\\share\\a.orvan", L""},
        {L"\\\\?\\UNC\\server\\share\\a.orvan", L"\\??\\UNC\\server\\share\\a.orvan",
         L"\\\\?\\UNC\\server\\share\\a.orvan", L"\\\\server\\share\\a.orvan"},
        {deep, L"\\??\\" + deep, L"\\\\?\\" + deep, L""},
    };
    for (const auto& [path, nt, win32, plain] : cases) {
        SCOPED_TRACE(ToUtf8(path));
        EXPECT_EQ(NtPath(path), nt);
        EXPECT_EQ(Win32Path(path), win32);
        EXPECT_EQ(PlainPath(path), plain.empty() ? path : plain);
    }
}

}  // namespace
}  // namespace orvan::platform
