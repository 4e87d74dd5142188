#include "library/io/Quoted.h"

#include "platform/FileSystem.h"
#include "platform/Utf8.h"


namespace Dorv::Orvan::Framework::Common {
namespace {

bool IsShownAsIs(char32_t c) {
    const bool control = c < 0x20 || (c >= 0x7F && c <= 0x9F);
    const bool invisible = (c >= 0x200B && c <= 0x200F) || (c >= 0x2028 && c <= 0x202E) ||
                           (c >= 0x2066 && c <= 0x2069) || c == 0xFEFF;
    return !control && !invisible && c != '\\';
}

// "\x1b" for a byte, "\u202e" (or more digits) for a larger value.
void AppendEscape(std::wstring& out, char prefix, char32_t value) {
    constexpr char kDigits[] = "0123456789abcdef";
    out += L'\\';
    out += static_cast<wchar_t>(prefix);
    int digits = prefix == 'x' ? 2 : value > 0xFFFF ? 6 : 4;
    while (digits-- > 0) {
        out += static_cast<wchar_t>(kDigits[(value >> (4 * digits)) & 0xF]);
    }
}

// The code point of the well-formed UTF-8 sequence at `at`, advancing `at`;
// nothing when the bytes there are no such sequence.
bool NextCodePoint(std::string_view text, std::size_t& at, char32_t& c) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned lead = byte(at);
    const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                                                                : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                                                             : 0;
    if (length == 0 || at + length > text.size()) {
        return false;
    }
    char32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            return false;
        }
        value = (value << 6) | (byte(at + i) & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kSmallest[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return false;
    }
    at += length;
    c = value;
    return true;
}

// Appends `text` escaped, at most `limit` characters of it; whether all of it fitted.
bool AppendEscaped(std::wstring& out, std::string_view text, bool escapeBackslash, std::size_t limit) {
    std::size_t shown = 0;
    for (std::size_t at = 0; at < text.size(); ++shown) {
        if (shown == limit) {
            return false;
        }
        char32_t c = 0;
        if (!NextCodePoint(text, at, c)) {
            AppendEscape(out, 'x', static_cast<unsigned char>(text[at++]));
        } else if (c == '\\') {
            out += escapeBackslash ? L"\\\\" : L"\\";
        } else if (c == '\n' || c == '\t' || c == '\r') {
            out += c == '\n' ? L"\\n" : c == '\t' ? L"\\t" : L"\\r";
        } else if (!IsShownAsIs(c)) {
            AppendEscape(out, c < 0x100 ? 'x' : 'u', c);
        } else {
            orvan::platform::AppendWide(out, c);
        }
    }
    return true;
}

}  // namespace

std::wstring Quoted(std::string_view text) {
    std::wstring out = L"'";
    if (AppendEscaped(out, text, true, kQuotedLength)) {
        return out + L"'";
    }
    return out + L"...' (" + std::to_wstring(text.size()) + L" bytes)";
}

std::wstring QuotedPath(const std::wstring& path) {
    std::wstring out = L"'";
    AppendEscaped(out, orvan::platform::ToUtf8(path), !orvan::platform::IsPathSeparator(L'\\'), std::string_view::npos);
    return out + L"'";
}

std::wstring TerminalSafe(std::string_view text) {
    std::wstring out;
    AppendEscaped(out, text, false, std::string_view::npos);
    return out;
}

std::wstring EntryLocation(const std::wstring& archivePath, std::string_view entryName) {
    std::wstring where = L"archive '" + archivePath + L"'";
    if (!entryName.empty()) {
        where += L", entry " + Quoted(entryName);
    }
    return where;
}

}  // namespace Dorv::Orvan::Framework::Common
