#include "platform/Utf8.h"

#include <cstdint>
#include <type_traits>

#include "platform/FileName.h"

namespace orvan::platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsCodePoint(char32_t value) {
    return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
}

}  // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    auto byte = [&out](char32_t value) { out.push_back(static_cast<char>(value)); };
    if (cp < 0x80) {
        byte(cp);
    } else if (cp < 0x800) {
        byte(0xC0 | (cp >> 6));
        byte(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        byte(0xE0 | (cp >> 12));
        byte(0x80 | ((cp >> 6) & 0x3F));
        byte(0x80 | (cp & 0x3F));
    } else {
        byte(0xF0 | (cp >> 18));
        byte(0x80 | ((cp >> 12) & 0x3F));
        byte(0x80 | ((cp >> 6) & 0x3F));
        byte(0x80 | (cp & 0x3F));
    }
}

namespace {

// Decodes one sequence starting at `pos`; advances `pos` past it (at least one
// byte). Malformed sequences give the replacement character.
char32_t DecodeOne(std::string_view text, std::size_t& pos) {
    const auto lead = static_cast<std::uint8_t>(text[pos++]);
    if (lead < 0x80) {
        return lead;
    }
    int continuation = 0;
    char32_t cp = 0;
    char32_t smallest = 0;
    if ((lead & 0xE0) == 0xC0) {
        continuation = 1, cp = lead & 0x1Fu, smallest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        continuation = 2, cp = lead & 0x0Fu, smallest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        continuation = 3, cp = lead & 0x07u, smallest = 0x10000;
    } else {
        return kReplacement;
    }
    for (int i = 0; i < continuation; ++i) {
        if (pos >= text.size() || (static_cast<std::uint8_t>(text[pos]) & 0xC0) != 0x80) {
            return kReplacement;
        }
        cp = (cp << 6) | (static_cast<std::uint8_t>(text[pos++]) & 0x3Fu);
    }
    return (cp < smallest || !IsCodePoint(cp)) ? kReplacement : cp;
}

}  // namespace

constexpr bool kUtf16 = sizeof(wchar_t) == 2;

char32_t NextCodePoint(std::wstring_view text, std::size_t& at) {
    const auto unit = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<std::make_unsigned_t<wchar_t>>(text[i]));
    };
    const char32_t first = unit(at++);
    if (kUtf16 && first >= 0xD800 && first <= 0xDBFF && at < text.size() && unit(at) >= 0xDC00 &&
        unit(at) <= 0xDFFF) {
        return 0x10000 + ((first - 0xD800) << 10) + (unit(at++) - 0xDC00);
    }
    return first;
}

bool FitsWide(char32_t c) { return !kUtf16 || c <= 0x10FFFF; }

void AppendWide(std::wstring& out, char32_t c) {
    if (kUtf16 && c >= 0x10000 && c <= 0x10FFFF) {
        out += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        out += static_cast<wchar_t>(c);
    }
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const char32_t cp = NextCodePoint(text, at);
        AppendUtf8(out, IsCodePoint(cp) ? cp : kReplacement);
    }
    return out;
}

std::optional<std::wstring> FromUtf8Strict(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t start = pos;
        const char32_t cp = DecodeOne(text, pos);
        // A replacement character is only genuine when it was spelled out.
        if (cp == kReplacement && text.substr(start, pos - start) != "\xEF\xBF\xBD") {
            return std::nullopt;
        }
        AppendWide(out, cp);
    }
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        AppendWide(out, DecodeOne(text, pos));
    }
    return out;
}

namespace {

// A path's own string as a wide text: as it is where paths are UTF-16
// (Windows), decoded where they are UTF-8.
template <typename Char>
std::wstring Widened(const std::basic_string<Char>& text) {
    if constexpr (std::is_same_v<Char, wchar_t>) {
        return text;
    } else {
        return FromUtf8(text);
    }
}

template <typename Char>
std::basic_string<Char> Narrowed(std::wstring_view text) {
    if constexpr (std::is_same_v<Char, wchar_t>) {
        return std::wstring(text);
    } else {
        return ToUtf8(text);
    }
}

}  // namespace

std::filesystem::path ToPath(std::wstring_view text) {
    return std::filesystem::path(Narrowed<std::filesystem::path::value_type>(PlainPath(text)));
}

std::wstring FromPath(const std::filesystem::path& path) { return Widened(path.native()); }

std::string GenericUtf8(const std::filesystem::path& path) {
    return ToUtf8(Widened(path.generic_string<std::filesystem::path::value_type>()));
}

}  // namespace orvan::platform
