#pragma once

#include <windows.h>

#include "ProgressWnd.h"
#include "app/CommandView.h"

namespace orvan::win32 {

// The Win32 dialog's side of its commands (CommandSession): while one runs,
// the keys and clicks given to the dialog and the progress window are dropped,
// the message queue runs only for the rest, and a WM_QUIT met there is posted
// again once the command has ended.
class Win32CommandView final : public app::CommandView {
public:
    Win32CommandView(HWND dialog, CProgressWnd& progress) : dialog_(dialog), progress_(progress) {}

    void SetRunning(bool running) override;
    void ShowProgress(std::wstring_view text, std::optional<int> perMille) override;
    void HideProgress() override { progress_.Hide(); }
    std::optional<int> RunQueueWithoutInput() override;
    void DropInput() override;
    void ShowMessage(std::wstring_view text, platform::MessageKind kind) override;
    void Quit(int exitCode) override { ::PostQuitMessage(exitCode); }

private:
    bool IsOurs(HWND window) const;

    HWND dialog_;
    CProgressWnd& progress_;
};

}  // namespace orvan::win32
