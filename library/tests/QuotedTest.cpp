#include "library/io/Quoted.h"

#include <gtest/gtest.h>

namespace Dorv::Orvan::Framework::Common {
namespace {

// What reorders or hides text shows as an escape, so that a crafted name cannot
// make a line of output read otherwise than it is; its neighbours show as they are.
TEST(QuotedTest, CharactersThatReorderTextShowAsEscapes) {
    const struct {
        const char* text;
        const wchar_t* shown;
    } cases[] = {
        {"\xE2\x81\xA5", L"\u2065"},    // before the isolates
        {"\xE2\x81\xA6", L"\\u2066"},   // left-to-right isolate
        {"\xE2\x81\xA7", L"\\u2067"},   // right-to-left isolate
        {"\xE2\x81\xA8", L"\\u2068"},   // first strong isolate
        {"\xE2\x81\xA9", L"\\u2069"},   // pop directional isolate
        {"\xE2\x81\xAA", L"\u206A"},    // after them
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TerminalSafe(c.text), c.shown);
        EXPECT_EQ(Quoted(c.text), L"'" + std::wstring(c.shown) + L"'");
    }
}

}  // namespace
}  // namespace Dorv::Orvan::Framework::Common
