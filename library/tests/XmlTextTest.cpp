// The spelling rules of values in the archive's XML documents, as
// docs/archive-format.md promises them to other readers and writers.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "library/format/XmlText.h"

namespace {

namespace text = Dorv::Orvan::Framework::Common::XmlText;

// Each text, whether it needs the escaped form, and how it is spelled as
// element content in the form it needs.
using TextCase = std::tuple<std::wstring, bool, std::string>;

TEST(XmlTextTest, TextsAreSpelledLiterallyOrInEscapedFormAsTheFormatSays) {
    const TextCase cases[] = {
        {L"", false, ""},
        {L"plain", false, "plain"},
        {L"a<b&c>d", false, "a&lt;b&amp;c&gt;d"},
        {L"quotes \" and ' stay", false, "quotes \" and ' stay"},
        {L"tab\tline\n", false, "tab\tline\n"},
        {L"back\\slash", false, "back\\slash"},  // literal where nothing needs escaping
        {L"\u00fc\u20ac\U0001F600", false, "\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80"},
        {L"cr\r", true, "cr\\d;"},  // parsers turn a literal CR into LF
        {std::wstring(L"nul\0x", 5), true, "nul\\0;x"},
        {L"\x1F", true, "\\1f;"},
        {L"\\\r", true, "\\\\\\d;"},  // in escaped form the backslash doubles
        {L"<\x1>", true, "&lt;\\1;&gt;"},
        {std::wstring(1, static_cast<wchar_t>(0xFFFE)), true, "\\fffe;"},
        {std::wstring(1, static_cast<wchar_t>(0xFFFF)), true, "\\ffff;"},
        {std::wstring(1, static_cast<wchar_t>(0xD800)), true, "\\d800;"},
        // A character beyond U+FFFF is one character, literal, on every system;
        // half of a UTF-16 pair alone is none.
        {L"\U0001F600" + std::wstring(1, static_cast<wchar_t>(0xD83D)) + L"a", true, "\xF0\x9F\x98\x80\\d83d;a"},
        {std::wstring(1, static_cast<wchar_t>(0xDE00)) + L"\U0001F600", true, "\\de00;\xF0\x9F\x98\x80"},
    };
    std::vector<TextCase> all(std::begin(cases), std::end(cases));
    if constexpr (sizeof(wchar_t) == 4) {  // a value no 16-bit wchar_t can hold
        all.push_back({std::wstring(1, static_cast<wchar_t>(0x110000)), true, "\\110000;"});
    }
    for (const auto& [value, escaped, spelled] : all) {
        SCOPED_TRACE(spelled);
        EXPECT_EQ(text::NeedsEscapedForm(value), escaped);
        std::string out;
        text::AppendText(out, value, escaped);
        EXPECT_EQ(out, spelled);
        // What a parser hands over is the content with its entities replaced.
        const auto decoded = text::DecodeEntities(out);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(text::DecodeText(*decoded, escaped), value);
    }
}

TEST(XmlTextTest, EscapedFormRefusesWhatNoWriterSpells) {
    // 'A' and a tab are carried literally, so never escaped; no closing
    // semicolon, no digits, no hex digits, more than eight digits.
    for (const char* spelled : {"\\41;", "\\9;", "\\d", "\\;", "\\zz;", "\\123456789;"}) {
        SCOPED_TRACE(spelled);
        EXPECT_EQ(text::DecodeText(spelled, true), std::nullopt);
        EXPECT_TRUE(text::DecodeText(spelled, false));  // literal text may hold any backslash
    }
    EXPECT_EQ(text::DecodeText("\xC0\x80", false), std::nullopt);  // overlong NUL
    EXPECT_EQ(text::DecodeText("\xED\xA0\x80", false), std::nullopt);  // an encoded surrogate
}

// Reads `spelled` with `parse`, and spells again what it read with `append`.
template <typename Parse, typename Append>
std::optional<std::string> Respelled(Parse parse, Append append, std::string_view spelled) {
    const auto value = parse(spelled);
    std::string out;
    if (value) {
        append(out, *value);
    }
    return value ? std::optional(out) : std::nullopt;
}

TEST(XmlTextTest, NumbersTruthValuesAndDoublesHaveOneSpellingEach) {
    using Read = std::optional<std::string> (*)(std::string_view);
    const Read integer = [](std::string_view s) { return Respelled(text::ParseInteger, text::AppendInteger, s); };
    const Read real = [](std::string_view s) { return Respelled(text::ParseDouble, text::AppendDouble, s); };
    const Read truth = [](std::string_view s) {
        return Respelled(text::ParseBool, [](std::string& out, bool b) { out = b ? "true" : "false"; }, s);
    };
    const std::nullopt_t no = std::nullopt;
    const std::tuple<Read, const char*, std::optional<std::string>> cases[] = {
        {integer, "0", "0"}, {integer, "-1", "-1"}, {integer, "9223372036854775807", "9223372036854775807"},
        {integer, "-9223372036854775808", "-9223372036854775808"}, {integer, "9223372036854775808", no},
        {integer, "+1", no}, {integer, " 1", no}, {integer, "1 ", no}, {integer, "", no}, {integer, "0x10", no},
        {integer, "1.0", no}, {truth, "true", "true"}, {truth, "1", "true"}, {truth, "false", "false"},
        {truth, "0", "false"}, {truth, "True", no}, {truth, "yes", no}, {truth, "", no},
        {real, "0.1", "0.1"}, {real, "-0", "-0"}, {real, "1e+300", "1e+300"}, {real, "5e-324", "5e-324"},
        {real, "INF", "INF"}, {real, "-INF", "-INF"}, {real, "NaN", "NaN"}, {real, "", no}, {real, "inf", no},
        {real, "nan", no}, {real, "0x1p3", no}, {real, " 1", no}, {real, "1,5", no}, {real, "1.5 ", no},
    };
    for (const auto& [read, spelled, again] : cases) {
        EXPECT_EQ(read(spelled), again) << spelled;
    }
    std::string shortest;
    text::AppendDouble(shortest, 0.1);
    EXPECT_EQ(shortest, "0.1");
    EXPECT_TRUE(std::signbit(*text::ParseDouble("-0")));
}

TEST(XmlTextTest, OnlyANaNOtherThanTheDefaultCarriesItsBits) {
    const double payload = std::bit_cast<double>(std::uint64_t{0x7FF8000000000001});
    EXPECT_FALSE(text::NeedsBits(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(text::NeedsBits(*text::ParseDouble("NaN")));
    EXPECT_FALSE(text::NeedsBits(1.0));
    EXPECT_TRUE(text::NeedsBits(payload));
    std::string bits;
    text::AppendBits(bits, payload);
    EXPECT_EQ(bits, "7ff8000000000001");
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*text::ParseBits(bits)), 0x7FF8000000000001u);
    EXPECT_EQ(text::ParseBits("3ff0000000000000"), std::nullopt);  // 1.0 is no NaN
    EXPECT_EQ(text::ParseBits("7ff800000000001"), std::nullopt);   // fifteen digits
}

}  // namespace
