#pragma once

#include <windows.h>

#include <chrono>
#include <optional>
#include <string_view>

#include "ProgressWnd.h"
#include "app/CommandObserver.h"

namespace orvan::win32 {

// One command of the main dialog, from its click to its end; lives on the
// stack of the click's handler.
//
// The command runs on the user-interface thread and handles no input: the
// keys and clicks given to the dialog and the progress window while it runs
// are dropped, never delivered later. The command's message boxes, which
// open while it runs, take input as usual.
//
// Once `delay` has passed, progress reports show the progress window; to keep
// it painted, the message queue is run, at most every 50 ms, for everything but
// that input. The progress window hides before any message box opens, so it
// never covers one, and the delay starts again after the message box.
class CRunningCommand {
public:
    CRunningCommand(HWND dialog, CProgressWnd& progress, const wchar_t* text, std::chrono::milliseconds delay);
    // Hides the progress window and drops the input that came in meanwhile.
    ~CRunningCommand();
    CRunningCommand(const CRunningCommand&) = delete;
    CRunningCommand& operator=(const CRunningCommand&) = delete;

private:
    using Clock = std::chrono::steady_clock;

    void OnProgress(const Dorv::Orvan::Framework::Common::Progress& report);
    void OnMessage(std::wstring_view caption, std::wstring_view text, platform::MessageKind kind);
    // Handles what is queued, dropping the user's input to the dialog and the progress window.
    void RunQueue();
    bool IsOurs(HWND window) const;

    HWND dialog_;
    CProgressWnd& progress_;
    std::chrono::milliseconds delay_;
    Clock::time_point start_;  // of the command, or of its last message box
    Clock::time_point lastRun_{};  // of the message queue
    std::optional<int> quit_;  // the exit code of a WM_QUIT met meanwhile, posted again at the end
    app::CommandObserver observer_;
};

}  // namespace orvan::win32
