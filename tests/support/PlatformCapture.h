#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/BusyCursor.h"
#include "platform/DebugAssert.h"
#include "platform/DebugTrace.h"
#include "platform/MessageBox.h"

namespace orvan::testing {

// Records everything the program sends to the platform's ports while it lives,
// so that a test can say which trace lines, messages and assertions a step caused.
class PlatformCapture {
public:
    PlatformCapture();

    // Trace output split into lines, without their line ends.
    std::vector<std::wstring> TraceLines() const;
    const std::vector<std::wstring>& Messages() const { return messages_; }
    const std::vector<std::wstring>& MessageCaptions() const { return captions_; }
    const std::vector<platform::MessageKind>& MessageKinds() const { return kinds_; }
    // "file:line: condition" of every failed assertion, in order.
    const std::vector<std::string>& Assertions() const { return assertions_; }
    std::size_t AssertionCount() const { return assertions_.size(); }
    // Busy-cursor changes, true for shown and false for restored.
    const std::vector<bool>& BusyChanges() const { return busyChanges_; }

private:
    std::wstring trace_;
    std::vector<std::wstring> messages_;
    std::vector<std::wstring> captions_;
    std::vector<platform::MessageKind> kinds_;
    std::vector<std::string> assertions_;
    std::vector<bool> busyChanges_;
    platform::DebugTracePort::Override trace_override_;
    platform::DebugAssertPort::Override assert_override_;
    platform::MessageBoxPort::Override message_override_;
    platform::BusyCursorPort::Override busy_override_;
};

}  // namespace orvan::testing
