#include "platform/PrintfFormat.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvan::platform {
namespace {

struct FormatCase {
    const wchar_t* format;
    std::vector<PrintfArgument> arguments;
    const wchar_t* expected;
};

TEST(PrintfFormatTest, FormatsTheTracePatternsWithWideTexts) {
    const std::wstring name = L"Müller \U0001F600";
    const FormatCase cases[] = {
        {L"%ls\n", {name}, L"Müller \U0001F600\n"},
        {L"'%s' '%s'\n", {L"Muster AG", L"Entwicklung"}, L"'Muster AG' 'Entwicklung'\n"},
        {L"Software: '%s' '%s'\n", {L"DemoPraxis", L"3.0"}, L"Software: 'DemoPraxis' '3.0'\n"},
        {L"...%ls (%d)\n", {L"mein Titel", -7}, L"...mein Titel (-7)\n"},
        {L"...%ls %d\n", {L"/tmp/a.txt", 2147483647}, L".../tmp/a.txt 2147483647\n"},
        {L"->%ls\n", {L""}, L"->\n"},
        {L"100%% %i", {42}, L"100% 42"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatPrintf(c.format, c.arguments), c.expected) << c.format;
    }
}

TEST(PrintfFormatTest, MismatchedArgumentsNeverReadBeyondWhatWasGiven) {
    const FormatCase cases[] = {
        {L"'%s' '%s'", {L"only one"}, L"'only one' '(?)'"},
        {L"%d", {L"text"}, L"(?)"},
        {L"%s", {5}, L"(?)"},
        {L"no placeholder", {1, 2}, L"no placeholder"},
        {L"%x and trailing %", {}, L"%x and trailing %"},
        {L"%ls", {static_cast<const wchar_t*>(nullptr)}, L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatPrintf(c.format, c.arguments), c.expected) << c.format;
    }
}

}  // namespace
}  // namespace orvan::platform
