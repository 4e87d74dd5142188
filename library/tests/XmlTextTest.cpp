// The spelling rules of values in the archive's XML documents, as
// docs/archive-format.md promises them to other readers and writers.
#include <gtest/gtest.h>

#include <vector>

#include <bit>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <utility>

#include "library/format/XmlText.h"

namespace {

namespace text = Dorv::Orvan::Framework::Common::XmlText;

struct TextCase {
    std::wstring value;
    bool escaped;          // whether the text needs the escaped form
    std::string spelled;   // as element content, in the form it needs
};

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
    for (const TextCase& c : all) {
        SCOPED_TRACE(c.spelled);
        EXPECT_EQ(text::NeedsEscapedForm(c.value), c.escaped);
        std::string out;
        text::AppendText(out, c.value, c.escaped);
        EXPECT_EQ(out, c.spelled);
        // What a parser hands over is the content with its entities replaced.
        const auto decoded = text::DecodeEntities(out);
        ASSERT_TRUE(decoded);
        EXPECT_EQ(text::DecodeText(*decoded, c.escaped), c.value);
    }
}

TEST(XmlTextTest, EscapedFormRefusesWhatNoWriterSpells) {
    const char* const refused[] = {
        "\\41;",     // 'A' is carried literally, so it is never escaped
        "\\9;",      // nor is a tab
        "\\d",       // no closing semicolon
        "\\;",       // no digits
        "\\zz;",     // no hex digits
        "\\123456789;",  // more than eight digits
    };
    for (const char* spelled : refused) {
        SCOPED_TRACE(spelled);
        EXPECT_EQ(text::DecodeText(spelled, true), std::nullopt);
        EXPECT_TRUE(text::DecodeText(spelled, false));  // literal text may hold any backslash
    }
    EXPECT_EQ(text::DecodeText("\xC0\x80", false), std::nullopt);  // overlong NUL
    EXPECT_EQ(text::DecodeText("\xED\xA0\x80", false), std::nullopt);  // an encoded surrogate
}

TEST(XmlTextTest, EntitiesAreThePredefinedFiveAndReferencesToAllowedCharacters) {
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {"&amp;&lt;&gt;&quot;&apos;", "&<>\"'"},
        {"&#65;&#x42;", "AB"},
        {"&#x20AC;", "\xE2\x82\xAC"},
        {"&#9;&#xA;&#xD;", "\t\n\r"},
        {"&nbsp;", std::nullopt},    // no other named entity
        {"a & b", std::nullopt},     // a bare ampersand
        {"&#0;", std::nullopt},      // a character XML does not allow
        {"&#xD800;", std::nullopt},  // a surrogate
        {"&#xFFFE;", std::nullopt},
        {"&#x;", std::nullopt},
        {"&#12a;", std::nullopt},
    };
    for (const auto& [raw, expected] : cases) {
        SCOPED_TRACE(raw);
        EXPECT_EQ(text::DecodeEntities(raw), expected);
    }
}

TEST(XmlTextTest, NumbersAndTruthValuesHaveOneSpellingEach) {
    const std::pair<const char*, std::optional<std::int64_t>> integers[] = {
        {"0", 0}, {"-1", -1}, {"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
        {"+1", std::nullopt}, {" 1", std::nullopt}, {"1 ", std::nullopt}, {"", std::nullopt},
        {"9223372036854775808", std::nullopt}, {"0x10", std::nullopt}, {"1.0", std::nullopt},
    };
    for (const auto& [spelled, expected] : integers) {
        SCOPED_TRACE(spelled);
        EXPECT_EQ(text::ParseInteger(spelled), expected);
        if (expected) {
            std::string out;
            text::AppendInteger(out, *expected);
            EXPECT_EQ(out, spelled);
        }
    }
    const std::pair<const char*, std::optional<bool>> truths[] = {
        {"true", true}, {"1", true}, {"false", false}, {"0", false},
        {"True", std::nullopt}, {"yes", std::nullopt}, {"", std::nullopt},
    };
    for (const auto& [spelled, expected] : truths) {
        SCOPED_TRACE(spelled);
        EXPECT_EQ(text::ParseBool(spelled), expected);
    }
}

TEST(XmlTextTest, DoublesAreShortestExactDecimalsWithNamedSpecialValues) {
    const std::pair<double, const char*> written[] = {
        {0.1, "0.1"}, {-0.0, "-0"}, {1e300, "1e+300"}, {5e-324, "5e-324"},
        {std::numeric_limits<double>::infinity(), "INF"}, {-std::numeric_limits<double>::infinity(), "-INF"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
    };
    for (const auto& [value, spelled] : written) {
        SCOPED_TRACE(spelled);
        std::string out;
        text::AppendDouble(out, value);
        EXPECT_EQ(out, spelled);
        const auto read = text::ParseDouble(spelled);
        ASSERT_TRUE(read);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(*read), std::bit_cast<std::uint64_t>(value));
    }
    for (const char* refused : {"", "inf", "nan", "0x1p3", " 1", "1,5", "1.5 "}) {
        SCOPED_TRACE(refused);
        EXPECT_EQ(text::ParseDouble(refused), std::nullopt);
    }
}

TEST(XmlTextTest, OnlyANaNOtherThanTheDefaultCarriesItsBits) {
    const double payload = std::bit_cast<double>(std::uint64_t{0x7FF8000000000001});
    EXPECT_FALSE(text::NeedsBits(std::numeric_limits<double>::quiet_NaN()));
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
