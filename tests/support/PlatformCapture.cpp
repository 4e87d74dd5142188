#include "PlatformCapture.h"

namespace orvan::testing {

PlatformCapture::PlatformCapture()
    : trace_override_(platform::DebugTraceOutput(),
                      [this](std::wstring_view text) { trace_ += text; }),
      assert_override_(platform::DebugAssertOutput(),
                       [this](const platform::AssertionFailure& failure) {
                           assertions_.push_back(std::string(failure.file) + ":" +
                                                 std::to_string(failure.line) + ": " +
                                                 std::string(failure.condition));
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
    std::size_t start = 0;
    for (std::size_t end; (end = trace_.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
        lines.push_back(trace_.substr(start, end - start));
    }
    if (start < trace_.size()) {
        lines.push_back(trace_.substr(start));
    }
    return lines;
}

}  // namespace orvan::testing
