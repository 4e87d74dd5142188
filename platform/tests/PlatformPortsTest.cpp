#include <gtest/gtest.h>

#include <filesystem>
#include <ios>
#include <new>
#include <stdexcept>

#include "PlatformCapture.h"
#include "platform/BusyCursor.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/Exception.h"
#include "platform/MessageBox.h"

namespace orvan::platform {
namespace {

using orvan::testing::PlatformCapture;

TEST(DebugTraceTest, CapturedLinesCarryWideTextsAndLineEnds) {
    PlatformCapture capture;
    DebugTrace(L"'%s' '%s'\n", std::wstring(L"Zürich"), L"8001");
    DebugTrace(L"...%ls (%d)\n", L"Bericht \u00e9\U00010348", 12);
    EXPECT_EQ(capture.TraceText(), L"'Zürich' '8001'\n...Bericht \u00e9\U00010348 (12)\n");
    EXPECT_EQ(capture.TraceLines(),
              (std::vector<std::wstring>{L"'Zürich' '8001'", L"...Bericht \u00e9\U00010348 (12)"}));
}

TEST(DebugAssertTest, FailureIsCountedReportedAndExecutionGoesOn) {
    PlatformCapture capture;
    const std::size_t before = DebugAssertionCount();
    int evaluations = 0;
    const bool held = ORVAN_ASSERT(++evaluations == 2);
    const bool passed = ORVAN_ASSERT(++evaluations == 2);

    EXPECT_FALSE(held);
    EXPECT_TRUE(passed);
    EXPECT_EQ(evaluations, 2) << "the condition is evaluated exactly once, in every build";
    EXPECT_EQ(DebugAssertionCount() - before, 1u);
    ASSERT_EQ(capture.AssertionCount(), 1u);
    EXPECT_NE(capture.Assertions()[0].find("PlatformPortsTest.cpp:"), std::string::npos);
    EXPECT_NE(capture.Assertions()[0].find("++evaluations == 2"), std::string::npos);
}

TEST(MessageBoxTest, ShowsTextWithTheApplicationNameAsCaption) {
    PlatformCapture capture;
    ShowMessageBox(L"file 'x' successfully exported!");
    EXPECT_EQ(capture.Messages(), std::vector<std::wstring>{L"file 'x' successfully exported!"});
    EXPECT_EQ(capture.MessageCaptions(), std::vector<std::wstring>{L"OrvanCommonClassesTest"});
}

TEST(BusyCursorTest, NestedGuardsShowTheCursorOnceAndRestoreItOnce) {
    PlatformCapture capture;
    {
        BusyCursor outer;
        {
            BusyCursor inner;
        }
        EXPECT_EQ(capture.BusyChanges(), std::vector<bool>{true});
    }
    EXPECT_EQ(capture.BusyChanges(), (std::vector<bool>{true, false}));
}

TEST(PortTest, OverrideRestoresThePreviousHandler) {
    std::vector<std::wstring> outer;
    std::vector<std::wstring> inner;
    DebugTracePort::Override first(DebugTraceOutput(), [&](std::wstring_view t) { outer.emplace_back(t); });
    {
        DebugTracePort::Override second(DebugTraceOutput(), [&](std::wstring_view t) { inner.emplace_back(t); });
        DebugTrace(L"a");
    }
    DebugTrace(L"b");
    EXPECT_EQ(inner, std::vector<std::wstring>{L"a"});
    EXPECT_EQ(outer, std::vector<std::wstring>{L"b"});
}

std::optional<std::wstring> Translate(const std::function<void()>& thrower) {
    try {
        thrower();
    } catch (...) {
        return TranslateFrameworkException();
    }
    return std::wstring(L"nothing thrown");
}

TEST(ExceptionTest, FrameworkFamilyIsRecognisedAndOthersAreNot) {
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
}

TEST(ExceptionTest, WhatIsTheMessageInUtf8) {
    const CException error(L"Fehler: Datei \u00fc");
    EXPECT_STREQ(error.what(), "Fehler: Datei \xc3\xbc");
}

}  // namespace
}  // namespace orvan::platform
