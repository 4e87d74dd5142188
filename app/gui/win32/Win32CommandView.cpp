#include "Win32CommandView.h"

#include <utility>

#include "platform/MessageBox.h"
#include "platform/ProgramFacts.h"

namespace orvan::win32 {
namespace {

// Messages of what a user does with keys or the mouse (pens and touch arrive as mouse messages).
bool IsUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK) || message == WM_CONTEXTMENU;
}

}  // namespace

void Win32CommandView::SetRunning(bool running) {
    if (running) {
        ::SetPropW(dialog_, facts::kCommandRunningProperty, dialog_);
    } else {
        ::RemovePropW(dialog_, facts::kCommandRunningProperty);
    }
}

void Win32CommandView::ShowProgress(std::wstring_view text, std::optional<int> perMille) {
    progress_.Show(text, perMille);
    if (!progress_.IsVisible()) {
        progress_.Appear();
    }
}

bool Win32CommandView::IsOurs(HWND window) const {
    const HWND progress = progress_.Window();
    return window != nullptr && (window == dialog_ || ::IsChild(dialog_, window) || window == progress ||
                                 (progress != nullptr && ::IsChild(progress, window)));
}

std::optional<int> Win32CommandView::RunQueueWithoutInput() {
    std::optional<int> quit;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = static_cast<int>(message.wParam);
            continue;
        }
        if (IsUserInput(message.message) && IsOurs(message.hwnd)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return quit;
}

// Removes the input queued for any window of this thread: while a command
// runs, those are the dialog and the progress window.
void Win32CommandView::DropInput() {
    MSG message;
    for (const auto& [first, last] : {std::pair<UINT, UINT>{WM_KEYFIRST, WM_KEYLAST},
                                      {WM_MOUSEFIRST, WM_MOUSELAST},
                                      {WM_NCMOUSEMOVE, WM_NCXBUTTONDBLCLK}}) {
        while (::PeekMessageW(&message, nullptr, first, last, PM_REMOVE)) {
        }
    }
}

void Win32CommandView::ShowMessage(std::wstring_view text, platform::MessageKind kind) {
    platform::ShowMessageBox(text, kind);  // the dialog's own (InstallWin32Ports)
}

}  // namespace orvan::win32
