#pragma once

#include <array>
#include <string_view>

#include "platform/Port.h"
#include "platform/PrintfFormat.h"

namespace orvan::platform {

// Receives each formatted trace text, line end included. The default writes it
// to standard error in debug builds and drops it in release builds.
using DebugTracePort = Port<void(std::wstring_view text)>;
DebugTracePort& DebugTraceOutput();

// Diagnostic output only: the program never depends on what is traced.
template <typename... Args>
void DebugTrace(std::wstring_view format, const Args&... arguments) {
    const std::array<PrintfArgument, sizeof...(Args)> list{PrintfArgument(arguments)...};
    DebugTraceOutput()(FormatPrintf(format, list));
}

// Writes `text` to standard error as UTF-8; the default of the debug ports.
void WriteToStandardError(std::wstring_view text);

}  // namespace orvan::platform
