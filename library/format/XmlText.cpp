#include "library/format/XmlText.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common::XmlText {
namespace {

using orvan::platform::AppendUtf8;

constexpr std::uint64_t kDefaultNaNBits = 0x7FF8000000000000ull;

bool XmlAllows(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

// Carriage returns are allowed by XML but changed to line feeds by every
// parser, so they travel escaped as well.
bool CarriedLiterally(char32_t c) { return c != 0xD && XmlAllows(c); }

void AppendLiteral(std::string& out, char32_t c) {
    switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: AppendUtf8(out, c);
    }
}

std::optional<char32_t> ParseHex(std::string_view digits) {
    std::uint32_t value = 0;
    if (digits.empty() || digits.size() > 8) {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
    if (error != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

bool NeedsEscapedForm(std::wstring_view text) {
    for (std::size_t at = 0; at < text.size();) {
        if (!CarriedLiterally(orvan::platform::NextCodePoint(text, at))) {
            return true;
        }
    }
    return false;
}

void AppendText(std::string& out, std::wstring_view text, bool escapedForm) {
    for (std::size_t at = 0; at < text.size();) {
        const char32_t c = orvan::platform::NextCodePoint(text, at);
        if (escapedForm && c == '\\') {
            out += "\\\\";
        } else if (escapedForm && !CarriedLiterally(c)) {
            char hex[9];
            const auto end = std::to_chars(hex, hex + sizeof hex, static_cast<std::uint32_t>(c), 16).ptr;
            out += '\\';
            out.append(hex, end);
            out += ';';
        } else {
            AppendLiteral(out, c);
        }
    }
}

std::optional<std::string> DecodeEntities(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        const std::size_t end = raw.find(';', i);
        if (end == std::string_view::npos || end - i > 12) {
            return std::nullopt;
        }
        const std::string_view name = raw.substr(i + 1, end - i - 1);
        if (name == "amp") {
            out += '&';
        } else if (name == "lt") {
            out += '<';
        } else if (name == "gt") {
            out += '>';
        } else if (name == "quot") {
            out += '"';
        } else if (name == "apos") {
            out += '\'';
        } else if (name.size() > 1 && name[0] == '#') {
            std::uint32_t code = 0;
            const bool hex = name[1] == 'x';
            const std::string_view digits = name.substr(hex ? 2 : 1);
            const auto [stop, error] =
                std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
            if (digits.empty() || error != std::errc() || stop != digits.data() + digits.size() ||
                !XmlAllows(code)) {
                return std::nullopt;
            }
            AppendUtf8(out, code);
        } else {
            return std::nullopt;
        }
        i = end;
    }
    return out;
}

std::optional<std::wstring> DecodeUtf8(std::string_view utf8) { return orvan::platform::FromUtf8Strict(utf8); }

std::optional<std::wstring> DecodeText(std::string_view utf8, bool escapedForm) {
    auto decoded = DecodeUtf8(utf8);
    if (!decoded) {
        return std::nullopt;
    }
    std::wstring text = std::move(*decoded);
    if (!escapedForm) {
        return text;
    }
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\') {
            out += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == L'\\') {
            out += L'\\';
            ++i;
            continue;
        }
        const std::size_t end = text.find(L';', i);
        if (end == std::wstring::npos) {
            return std::nullopt;
        }
        const std::string digits = orvan::platform::ToUtf8(text.substr(i + 1, end - i - 1));
        const auto code = ParseHex(digits);
        if (!code || CarriedLiterally(*code) || !orvan::platform::FitsWide(*code)) {
            return std::nullopt;  // only characters that need it are escaped
        }
        orvan::platform::AppendWide(out, *code);
        i = end;
    }
    return out;
}

void AppendInteger(std::string& out, std::int64_t value) {
    char buffer[24];
    out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

std::optional<std::int64_t> ParseInteger(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<bool> ParseBool(std::string_view text) {
    if (text == "true" || text == "1") {
        return true;
    }
    if (text == "false" || text == "0") {
        return false;
    }
    return std::nullopt;
}

bool NeedsBits(double value) {
    return std::isnan(value) && std::bit_cast<std::uint64_t>(value) != kDefaultNaNBits;
}

void AppendDouble(std::string& out, double value) {
    if (std::isnan(value)) {
        out += "NaN";
    } else if (std::isinf(value)) {
        out += value > 0 ? "INF" : "-INF";
    } else {
        char buffer[32];
        out.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    }
}

void AppendBits(std::string& out, double value) {
    char buffer[17];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, std::bit_cast<std::uint64_t>(value), 16).ptr;
    out.append(static_cast<std::size_t>(16 - (end - buffer)), '0');
    out.append(buffer, end);
}

std::optional<double> ParseDouble(std::string_view text) {
    if (text == "INF") {
        return std::numeric_limits<double>::infinity();
    }
    if (text == "-INF") {
        return -std::numeric_limits<double>::infinity();
    }
    if (text == "NaN") {
        return std::bit_cast<double>(kDefaultNaNBits);
    }
    if (text.find_first_not_of("0123456789+-.eE") != std::string_view::npos) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseBits(std::string_view hex) {
    std::uint64_t bits = 0;
    const auto [end, error] = std::from_chars(hex.data(), hex.data() + hex.size(), bits, 16);
    if (hex.size() != 16 || error != std::errc() || end != hex.data() + hex.size()) {
        return std::nullopt;
    }
    const double value = std::bit_cast<double>(bits);
    return std::isnan(value) ? std::optional<double>(value) : std::nullopt;
}

}  // namespace Dorv::Orvan::Framework::Common::XmlText
