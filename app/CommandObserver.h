#pragma once

#include <string_view>

#include "library/Progress.h"
#include "platform/MessageBox.h"

namespace orvan::app {

// While it lives, the library's progress reports and the commands' message
// boxes go to the handlers given instead of the ones installed before, which
// the handlers reach through ForwardProgress and ForwardMessage. A dialog
// keeps one for each running command.
class CommandObserver {
public:
    CommandObserver(Dorv::Orvan::Framework::Common::ProgressPort::Handler onProgress,
                    platform::MessageBoxPort::Handler onMessage);
    ~CommandObserver();
    CommandObserver(const CommandObserver&) = delete;
    CommandObserver& operator=(const CommandObserver&) = delete;

    void ForwardProgress(const Dorv::Orvan::Framework::Common::Progress& report) const;
    void ForwardMessage(std::wstring_view caption, std::wstring_view text, platform::MessageKind kind) const;

private:
    Dorv::Orvan::Framework::Common::ProgressPort::Handler previousProgress_;
    platform::MessageBoxPort::Handler previousMessageBox_;
};

}  // namespace orvan::app
