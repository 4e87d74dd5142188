#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ios>
#include <new>
#include <stdexcept>

#include "PlatformCapture.h"
#include "platform/BusyCursor.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/Exception.h"
#include "platform/MessageBox.h"
#include "platform/PrintfFormat.h"

namespace orvan::platform {
namespace {

using orvan::testing::PlatformCapture;

// Trace lines carry wide texts and their line ends, and an override of a port
// gives it back to the one before when it goes; a message box shows its
// text with the application's name as its caption; nested busy cursors show
// the cursor once and restore it once.
TEST(PlatformPortsTest, TracesMessagesAndBusyCursorsReachTheirPorts) {
    PlatformCapture capture;
    DebugTrace(L"'%s' '%s'\n", std::wstring(L"Zürich"), L"8001");
    {
        std::vector<std::wstring> inner;
        DebugTracePort::Override nested(DebugTraceOutput(), [&](std::wstring_view t) { inner.emplace_back(t); });
        DebugTrace(L"nested");
        EXPECT_EQ(inner, std::vector<std::wstring>{L"nested"});
    }
    DebugTrace(L"...%ls (%d)\n", L"Bericht \u00e9\U00010348", 12);  // the override before it is back
    EXPECT_EQ(capture.TraceLines(),
              (std::vector<std::wstring>{L"'Zürich' '8001'", L"...Bericht \u00e9\U00010348 (12)"}));
    ShowMessageBox(L"file 'x' successfully exported!");
    EXPECT_EQ(capture.Messages(), std::vector<std::wstring>{L"file 'x' successfully exported!"});
    EXPECT_EQ(capture.MessageCaptions(), std::vector<std::wstring>{L"OrvanCommonClassesTest"});
    {
        BusyCursor outer;
        {
            BusyCursor inner;
        }
        EXPECT_EQ(capture.BusyChanges(), std::vector<bool>{true});
    }
    EXPECT_EQ(capture.BusyChanges(), (std::vector<bool>{true, false}));
}

TEST(DebugAssertTest, FailureIsCountedReportedAndExecutionGoesOn) {
    PlatformCapture capture;
    const std::size_t before = DebugAssertionCount();
    int evaluations = 0;
    EXPECT_FALSE(ORVAN_ASSERT(++evaluations == 2));
    EXPECT_TRUE(ORVAN_ASSERT(++evaluations == 2));
    EXPECT_EQ(evaluations, 2) << "the condition is evaluated exactly once, in every build";
    EXPECT_EQ(DebugAssertionCount() - before, 1u);
    ASSERT_EQ(capture.AssertionCount(), 1u);
    EXPECT_NE(capture.Assertions()[0].find("PlatformPortsTest.cpp:"), std::string::npos);
    EXPECT_NE(capture.Assertions()[0].find("++evaluations == 2"), std::string::npos);
}

// The trace's patterns with wide texts, and arguments that do not match their
// placeholders, which never read beyond what was given.
TEST(PrintfFormatTest, FormatsTheTracePatternsAndNeverReadsBeyondTheArguments) {
    const std::wstring name = L"Müller \U0001F600";  // an argument refers to its text
    const struct {
        const wchar_t* format;
        std::vector<PrintfArgument> arguments;
        const wchar_t* expected;
    } cases[] = {
        {L"%ls\n", {name}, L"Müller \U0001F600\n"},
        {L"'%s' '%s'\n", {L"Muster AG", L"Entwicklung"}, L"'Muster AG' 'Entwicklung'\n"},
        {L"...%ls (%d)\n", {L"mein Titel", -7}, L"...mein Titel (-7)\n"},
        {L"...%ls %d\n", {L"/tmp/a.txt", 2147483647}, L".../tmp/a.txt 2147483647\n"},
        {L"->%ls\n", {L""}, L"->\n"},
        {L"100%% %i", {42}, L"100% 42"},
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

std::optional<std::wstring> Translate(const std::function<void()>& thrower) {
    try {
        thrower();
    } catch (...) {
        return TranslateFrameworkException();
    }
    return std::wstring(L"nothing thrown");
}

TEST(ExceptionTest, FrameworkFamilyIsRecognisedInUtf8AndOthersAreNot) {
    EXPECT_EQ(Translate([] { throw CFileException(L"/data/a.orvan", L"Permission denied"); }),
              L"'/data/a.orvan': Permission denied");
    EXPECT_EQ(Translate([] { throw CMemoryException(); }), L"Not enough memory.");
    EXPECT_EQ(Translate([] { throw std::bad_alloc(); }), L"Not enough memory.");
    EXPECT_EQ(Translate([] {
                  throw std::filesystem::filesystem_error(
                      "x", "/nope", std::make_error_code(std::errc::no_such_file_or_directory));
              }),
              L"'/nope': No such file or directory");
    EXPECT_TRUE(Translate([] { throw std::ios_base::failure("stream broke"); }).has_value());
    EXPECT_EQ(Translate([] { throw std::runtime_error("other"); }), std::nullopt);
    EXPECT_EQ(Translate([] { throw 42; }), std::nullopt);
    EXPECT_STREQ(CException(L"Fehler: Datei \u00fc").what(), "Fehler: Datei \xc3\xbc");
}

}  // namespace
}  // namespace orvan::platform
