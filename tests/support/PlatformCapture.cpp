#include "PlatformCapture.h"

#include <sstream>

namespace orvan::testing {

PlatformCapture::PlatformCapture()
    : trace_override_(platform::DebugTraceOutput(), [this](std::wstring_view text) { trace_ += text; }),
      assert_override_(platform::DebugAssertOutput(),
                       [this](const platform::AssertionFailure& failure) {
                           assertions_.push_back(std::string(failure.file) + ":" + std::to_string(failure.line) +
                                                 ": " + std::string(failure.condition));
                       }),
      message_override_(platform::MessageBoxOutput(),
                        [this](std::wstring_view caption, std::wstring_view text, platform::MessageKind kind) {
                            captions_.emplace_back(caption);
                            messages_.emplace_back(text);
                            kinds_.push_back(kind);
                        }),
      busy_override_(platform::BusyCursorOutput(), [this](bool busy) { busyChanges_.push_back(busy); }) {}

std::vector<std::wstring> PlatformCapture::TraceLines() const {
    std::vector<std::wstring> lines;
    std::wistringstream trace(trace_);
    for (std::wstring line; std::getline(trace, line);) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace orvan::testing
