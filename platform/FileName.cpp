#include "platform/FileName.h"

#include <array>

#include "platform/CaseFolding.h"
#include "platform/Utf8.h"

namespace orvan::platform {
namespace {

std::wstring_view WithoutTrailingDotsAndSpaces(std::wstring_view name) {
    return name.substr(0, name.find_last_not_of(L". ") + 1);
}

bool IsForbiddenInWindowsName(wchar_t c) {
    return c < 0x20 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos;
}

wchar_t AsciiUpper(wchar_t c) { return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c; }

}  // namespace

std::wstring WindowsFileNameKey(std::wstring_view name) {
    name = WithoutTrailingDotsAndSpaces(name);
    std::wstring key;
    key.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        AppendWide(key, CaseClass(NextCodePoint(name, at)));
    }
    return key;
}

std::wstring WindowsFileName(std::wstring_view name) {
    if (IsWindowsDeviceName(name)) {
        return {};
    }
    std::wstring usable(WithoutTrailingDotsAndSpaces(name));
    for (wchar_t& c : usable) {
        c = IsForbiddenInWindowsName(c) ? L'_' : c;
    }
    return usable;
}

bool IsWindowsDeviceName(std::wstring_view name) {
    std::wstring stem(name.substr(0, name.find_first_of(L".:")));
    stem.erase(stem.find_last_not_of(L' ') + 1);
    for (wchar_t& c : stem) {
        c = AsciiUpper(c);
    }
    static constexpr std::array<std::wstring_view, 6> kNamed = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (const std::wstring_view device : kNamed) {
        if (stem == device) {
            return true;
        }
    }
    // Ports take a digit or a superscript one, two or three.
    const bool port = stem.size() == 4 && (stem.starts_with(L"COM") || stem.starts_with(L"LPT"));
    return port && ((stem[3] >= L'0' && stem[3] <= L'9') || std::wstring_view(L"\u00B9\u00B2\u00B3").find(stem[3]) !=
                                                                  std::wstring_view::npos);
}

}  // namespace orvan::platform
