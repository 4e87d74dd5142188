#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace orvan::platform {

// Wide texts hold Unicode code points (wchar_t is 32 bits on this platform).
// Conversion to UTF-8 replaces values that are no code point (surrogates,
// values above U+10FFFF) with U+FFFD; decoding replaces malformed bytes likewise.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

// Appends the UTF-8 form of the code point `c`.
void AppendUtf8(std::string& out, char32_t c);
// Decodes UTF-8 strictly: nothing for malformed bytes, overlong forms,
// surrogates or values beyond U+10FFFF.
std::optional<std::wstring> FromUtf8Strict(std::string_view text);

// File-system paths are UTF-8 byte strings here.
std::filesystem::path ToPath(std::wstring_view text);
std::wstring FromPath(const std::filesystem::path& path);

}  // namespace orvan::platform
