#pragma once

#include <cstddef>
#include <string_view>

#include "platform/Port.h"

namespace orvan::platform {

struct AssertionFailure {
    std::string_view file;
    int line;
    std::string_view condition;
};

// Receives every failed assertion. The default reports file, line and condition
// on standard error in debug builds and stays silent in release builds.
using DebugAssertPort = Port<void(const AssertionFailure& failure)>;
DebugAssertPort& DebugAssertOutput();

// Failed assertions since the program started; tests compare differences.
std::size_t DebugAssertionCount();

// Counts and reports a failed condition, then returns it, so that callers can
// take the fallback at once: `if (!ORVAN_ASSERT(p)) return;`. Never aborts.
bool CheckAssertion(bool condition, std::string_view file, int line, std::string_view text);

}  // namespace orvan::platform

// Evaluated in every build; execution always goes on after a failure.
#define ORVAN_ASSERT(condition) \
    (::orvan::platform::CheckAssertion(static_cast<bool>(condition), __FILE__, __LINE__, #condition))
