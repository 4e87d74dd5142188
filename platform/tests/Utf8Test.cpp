#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace orvan::platform {
namespace {

TEST(Utf8Test, EveryCodePointRoundTrips) {
    const std::wstring text = L"A\u00e9\u20ac\U0001F600\U0010FFFF";
    const std::string bytes = ToUtf8(text);
    EXPECT_EQ(bytes, "A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf");
    EXPECT_EQ(FromUtf8(bytes), text);
    EXPECT_EQ(FromUtf8(ToUtf8(std::wstring(1, L'\0'))), std::wstring(1, L'\0'));
}

TEST(Utf8Test, ValuesThatAreNoCharacterBecomeTheReplacementCharacter) {
    const std::wstring surrogate(1, static_cast<wchar_t>(0xD800));
    EXPECT_EQ(ToUtf8(surrogate), "\xef\xbf\xbd");
    // Lone halves of a pair, and a pair in the wrong order, are no character either.
    const std::wstring halves = {static_cast<wchar_t>(0xDC00), L'a', static_cast<wchar_t>(0xD83D)};
    EXPECT_EQ(ToUtf8(halves), "\xef\xbf\xbd" "a" "\xef\xbf\xbd");
    if constexpr (sizeof(wchar_t) == 4) {
        const std::wstring tooLarge(1, static_cast<wchar_t>(0x110000));
        EXPECT_EQ(ToUtf8(tooLarge), "\xef\xbf\xbd");
    }
}

TEST(Utf8Test, CodePointsAboveTheBasicPlaneAreOneCharacterOnEverySystem) {
    const std::wstring text = L"M\u00fcller \U0001F600";
    std::size_t at = 6;
    EXPECT_EQ(NextCodePoint(text, ++at), U'\U0001F600');
    EXPECT_EQ(at, text.size());
    std::wstring built;
    AppendWide(built, U'\U0001F600');
    EXPECT_EQ(built, L"\U0001F600");
    EXPECT_EQ(built.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
}

TEST(Utf8Test, MalformedBytesDecodeToReplacementsWithoutSwallowingText) {
    const struct {
        std::string bytes;
        std::wstring expected;
    } cases[] = {
        {"a\xff" "b", L"a\uFFFDb"},
        {"\xc3", L"\uFFFD"},                  // truncated sequence
        {"\xc0\xaf", L"\uFFFD"},              // overlong form of '/'
        {"\xed\xa0\x80", L"\uFFFD"},          // encoded surrogate
        {"\xf4\x90\x80\x80", L"\uFFFD"},      // above U+10FFFF
        {"\xe2\x82" "x", L"\uFFFDx"},         // sequence cut short by a plain byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FromUtf8(c.bytes), c.expected);
        EXPECT_EQ(FromUtf8Strict(c.bytes), std::nullopt) << "strict decoding refuses it";
    }
    EXPECT_EQ(FromUtf8Strict("ok \xEF\xBF\xBD \xF0\x9F\x98\x80"), L"ok \uFFFD \U0001F600");
}

}  // namespace
}  // namespace orvan::platform
