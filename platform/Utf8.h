#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvan::platform {

// Wide texts hold Unicode text in wchar_t units: one unit a code point where
// wchar_t has 32 bits, UTF-16 (a surrogate pair for a code point above U+FFFF)
// where it has 16. Conversion to UTF-8 replaces values that are no code point
// (lone surrogates, values above U+10FFFF) with U+FFFD; decoding replaces
// malformed bytes likewise.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// The code point that starts at `at` in a wide text, advancing `at` past it:
// a surrogate pair's where wchar_t has 16 bits, otherwise one unit's value
// (a lone surrogate or a value above U+10FFFF comes back as it is).
char32_t NextCodePoint(std::wstring_view text, std::size_t& at);
// Appends the wide form of the code point `c`.
void AppendWide(std::wstring& out, char32_t c);
// Whether `c` can be held in a wide text at all (any value where wchar_t has
// 32 bits; at most U+10FFFF where it has 16).
bool FitsWide(char32_t c);

// Appends the UTF-8 form of the code point `c`.
void AppendUtf8(std::string& out, char32_t c);
// Decodes UTF-8 strictly: nothing for malformed bytes, overlong forms,
// surrogates or values beyond U+10FFFF.
std::optional<std::wstring> FromUtf8Strict(std::string_view text);

// File-system paths: UTF-8 byte strings on POSIX systems, UTF-16 on Windows
// (in the plain form the standard library takes: PlainPath).
std::filesystem::path ToPath(std::wstring_view text);
std::wstring FromPath(const std::filesystem::path& path);
// The path in UTF-8, its components separated by '/' on every system, as
// files that travel between systems write it.
std::string GenericUtf8(const std::filesystem::path& path);

}  // namespace orvan::platform
