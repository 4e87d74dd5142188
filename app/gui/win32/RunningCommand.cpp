#include "RunningCommand.h"

#include <utility>

namespace orvan::win32 {
namespace {

// Messages of what a user does with keys or the mouse (pens and touch arrive as mouse messages).
bool IsUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_CONTEXTMENU;
}

// Removes the input queued for any window of this thread: while a command
// runs, those are the dialog and the progress window.
void DropQueuedInput() {
    MSG message;
    for (const auto& [first, last] : {std::pair<UINT, UINT>{WM_KEYFIRST, WM_KEYLAST},
                                      {WM_MOUSEFIRST, WM_MOUSELAST},
                                      {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}}) {
        while (::PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) {
        }
    }
}

}  // namespace

CRunningCommand::CRunningCommand(HWND dialog, CProgressWnd& progress, const wchar_t* text,
                                 std::chrono::milliseconds delay)
    : dialog_(dialog),
      progress_(progress),
      delay_(delay),
      start_(Clock::now()),
      observer_([this](const Dorv::Orvan::Framework::Common::Progress& report) { OnProgress(report); },
                [this](std::wstring_view caption, std::wstring_view message, platform::MessageKind kind) {
                    OnMessage(caption, message, kind);
                }) {
    progress_.Start(text);
}

CRunningCommand::~CRunningCommand() {
    progress_.Hide();
    DropQueuedInput();
    if (quit_) {
        ::PostQuitMessage(*quit_);
    }
}

bool CRunningCommand::IsOurs(HWND window) const {
    const HWND progress = progress_.Window();
    return window != nullptr && (window == dialog_ || ::IsChild(dialog_, window) || window == progress ||
                                 (progress != nullptr && ::IsChild(progress, window)));
}

void CRunningCommand::RunQueue() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit_ = static_cast<int>(message.wParam);  // posted again for the dialog once the command has ended
            continue;
        }
        if (IsUserInput(message.message) && IsOurs(message.hwnd)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

void CRunningCommand::OnProgress(const Dorv::Orvan::Framework::Common::Progress& report) {
    const Clock::time_point now = Clock::now();
    if (now - start_ >= delay_) {
        progress_.Show(report);
        if (!progress_.IsVisible()) {
            progress_.Appear();
            lastRun_ = {};
        }
        if (now - lastRun_ >= std::chrono::milliseconds(50)) {
            lastRun_ = now;
            RunQueue();
        }
    }
    observer_.ForwardProgress(report);
}

void CRunningCommand::OnMessage(std::wstring_view caption, std::wstring_view text, platform::MessageKind kind) {
    progress_.Hide();
    DropQueuedInput();  // keys meant for the dialog must not answer the message box
    observer_.ForwardMessage(caption, text, kind);
    start_ = Clock::now();
}

}  // namespace orvan::win32
