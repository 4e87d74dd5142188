#include "platform/DebugAssert.h"

#include <atomic>
#include <string>

#include "platform/BuildMode.h"
#include "platform/DebugTrace.h"
#include "platform/Utf8.h"

namespace orvan::platform {
namespace {

std::atomic<std::size_t> failedAssertions{0};

}  // namespace

DebugAssertPort& DebugAssertOutput() {
    static DebugAssertPort port([](const AssertionFailure& failure) {
        if constexpr (kDebugBuild) {
            WriteToStandardError(FromUtf8(std::string(failure.file)) + L"(" +
                                 std::to_wstring(failure.line) + L"): assertion failed: " +
                                 FromUtf8(std::string(failure.condition)) + L"\n");
        }
    });
    return port;
}

std::size_t DebugAssertionCount() { return failedAssertions.load(); }

bool CheckAssertion(bool condition, std::string_view file, int line, std::string_view text) {
    if (!condition) {
        ++failedAssertions;
        DebugAssertOutput()(AssertionFailure{file, line, text});
    }
    return condition;
}

}  // namespace orvan::platform
