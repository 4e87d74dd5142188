#include "app/CommandObserver.h"

#include <utility>

namespace orvan::app {

using Dorv::Orvan::Framework::Common::Progress;
using Dorv::Orvan::Framework::Common::ProgressOutput;

CommandObserver::CommandObserver(Dorv::Orvan::Framework::Common::ProgressPort::Handler onProgress,
                                 platform::MessageBoxPort::Handler onMessage)
    : previousProgress_(ProgressOutput().Replace(std::move(onProgress))),
      previousMessageBox_(platform::MessageBoxOutput().Replace(std::move(onMessage))) {}

CommandObserver::~CommandObserver() {
    platform::MessageBoxOutput().Replace(std::move(previousMessageBox_));
    ProgressOutput().Replace(std::move(previousProgress_));
}

void CommandObserver::ForwardProgress(const Progress& report) const {
    if (previousProgress_) {
        previousProgress_(report);
    }
}

void CommandObserver::ForwardMessage(std::wstring_view caption, std::wstring_view text,
                                     platform::MessageKind kind) const {
    previousMessageBox_(caption, text, kind);
}

}  // namespace orvan::app
