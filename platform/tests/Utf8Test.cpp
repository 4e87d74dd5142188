#include "platform/Utf8.h"

#include <gtest/gtest.h>

namespace orvan::platform {
namespace {

TEST(Utf8Test, EveryCodePointRoundTripsAndWhatIsNoCharacterBecomesTheReplacement) {
    const std::wstring text = L"A\u00e9\u20ac\U0001F600\U0010FFFF" + std::wstring(1, L'\0');
    EXPECT_EQ(ToUtf8(text), std::string("A\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80\xf4\x8f\xbf\xbf\0", 15));
    EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
    // Lone halves of a pair, and a pair in the wrong order, are no character.
    const std::wstring halves = {static_cast<wchar_t>(0xD800), L'a', static_cast<wchar_t>(0xDC00),
                                 static_cast<wchar_t>(0xD83D)};
    EXPECT_EQ(ToUtf8(halves), "\xef\xbf\xbd" "a" "\xef\xbf\xbd\xef\xbf\xbd");
    if constexpr (sizeof(wchar_t) == 4) {
        EXPECT_EQ(ToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "\xef\xbf\xbd");
    }
    // A code point above the basic plane is one character on every system.
    std::size_t at = 3;
    EXPECT_EQ(NextCodePoint(text, at), U'\U0001F600');
    EXPECT_EQ(at, 3 + (sizeof(wchar_t) == 2 ? 2u : 1u));
    std::wstring built;
    AppendWide(built, U'\U0001F600');
    EXPECT_EQ(built, L"\U0001F600");
    EXPECT_EQ(built.size(), sizeof(wchar_t) == 2 ? 2u : 1u);
}

TEST(Utf8Test, MalformedBytesDecodeToReplacementsWithoutSwallowingTextAndStrictlyToNothing) {
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
