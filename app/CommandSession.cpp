#include "app/CommandSession.h"

#include <utility>

namespace orvan::app {

CommandSession::CommandSession(CommandView& view, std::chrono::milliseconds delay, Clock clock)
    : view_(view), delay_(delay), clock_(std::move(clock)) {}

bool CommandSession::Run(std::wstring_view progressText,
                         const std::function<void(exchange::CommandListener&)>& command) {
    if (running_) {
        return false;
    }
    running_ = true;
    progressText_ = progressText;
    since_ = clock_();
    view_.SetRunning(true);
    const struct Ending {
        CommandSession& session;
        ~Ending() {
            session.HideProgress();
            session.view_.DropInput();
            session.view_.SetRunning(false);
            session.running_ = false;
            if (const auto quit = std::exchange(session.quit_, std::nullopt)) {
                session.view_.Quit(*quit);
            }
        }
    } ending{*this};
    command(*this);
    return true;
}

void CommandSession::ShowProgress(const Dorv::Orvan::Framework::Common::Progress& report) {
    const auto now = clock_();
    if (!running_ || now - since_ < delay_) {
        return;
    }
    std::optional<int> perMille;
    if (report.total > 0) {
        perMille = static_cast<int>(std::min(report.done, report.total) * 1000 / report.total);
    }
    view_.ShowProgress(progressText_, perMille);
    progressShown_ = true;
    if (!queueRan_ || now - *queueRan_ >= kQueueInterval) {
        queueRan_ = now;
        if (const auto quit = view_.RunQueueWithoutInput()) {
            quit_ = quit;
        }
    }
}

void CommandSession::ShowMessage(std::wstring_view text, platform::MessageKind kind) {
    HideProgress();
    view_.DropInput();  // keys meant for the dialog must not answer the message box
    view_.ShowMessage(text, kind);
    since_ = clock_();
}

void CommandSession::HideProgress() {
    if (progressShown_) {
        view_.HideProgress();
        progressShown_ = false;
    }
    queueRan_.reset();
}

}  // namespace orvan::app
