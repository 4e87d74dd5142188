#include "platform/DebugTrace.h"

#include <cstdio>

#include "platform/BuildMode.h"
#include "platform/Utf8.h"

namespace orvan::platform {

void WriteToStandardError(std::wstring_view text) {
    const std::string bytes = ToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

DebugTracePort& DebugTraceOutput() {
    static DebugTracePort port([](std::wstring_view text) {
        if constexpr (kDebugBuild) {
            WriteToStandardError(text);
        }
    });
    return port;
}

}  // namespace orvan::platform
