#include "platform/Utf8.h"

#include <cstdint>

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

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t unit : text) {
        const auto cp = static_cast<char32_t>(unit);
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
        out.push_back(static_cast<wchar_t>(cp));
    }
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        out.push_back(static_cast<wchar_t>(DecodeOne(text, pos)));
    }
    return out;
}

std::filesystem::path ToPath(std::wstring_view text) { return std::filesystem::path(ToUtf8(text)); }

std::wstring FromPath(const std::filesystem::path& path) { return FromUtf8(path.native()); }

}  // namespace orvan::platform
