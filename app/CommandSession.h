#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>

#include "app/CommandView.h"
#include "exchange/CommandListener.h"

namespace orvan::app {

// One dialog's way of running its commands, whatever draws it. A command runs
// on the user-interface thread, to its end, one at a time:
// - while it runs the view refuses input, and input that came meanwhile is
//   dropped at its end, never delivered later;
// - once `delay` has passed, progress reports show the progress window, and
//   to keep it painted the view's queue runs at most every 50 ms;
// - before any message box the progress window hides, so that it never
//   covers one, and the delay starts again after it;
// - a request to quit met meanwhile is carried out once the command has ended.
class CommandSession final : public exchange::CommandListener {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr std::chrono::milliseconds kProgressDelay{500};
    static constexpr std::chrono::milliseconds kQueueInterval{50};

    explicit CommandSession(CommandView& view, std::chrono::milliseconds delay = kProgressDelay,
                            Clock clock = std::chrono::steady_clock::now);

    // Runs `command`, which reports to this session, showing `progressText`
    // in the progress window. False, without running it, inside another command.
    bool Run(std::wstring_view progressText, const std::function<void(exchange::CommandListener&)>& command);
    bool Running() const { return running_; }

    void ShowMessage(std::wstring_view text, platform::MessageKind kind) override;
    void ShowProgress(const Dorv::Orvan::Framework::Common::Progress& report) override;

private:
    void HideProgress();

    CommandView& view_;
    std::chrono::milliseconds delay_;
    Clock clock_;
    bool running_ = false;
    std::wstring progressText_;
    bool progressShown_ = false;
    std::chrono::steady_clock::time_point since_;  // the command, or its last message box, began
    std::optional<std::chrono::steady_clock::time_point> queueRan_;  // while the progress window shows
    std::optional<int> quit_;  // a request to quit met meanwhile
};

}  // namespace orvan::app
