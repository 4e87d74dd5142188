#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace orvan::win32 {

// The window that shows how far a long command has come: a line of text
// ("Exporting...") and a bar. It has no button and no close box, and Esc does
// not close it: a command cannot be cancelled, so nothing may pretend to. The
// dialog's command view shows and hides it (Win32CommandView).
class CProgressWnd {
public:
    CProgressWnd() = default;
    CProgressWnd(const CProgressWnd&) = delete;
    CProgressWnd& operator=(const CProgressWnd&) = delete;

    // Makes the hidden window, owned by `owner`, which destroys it with itself.
    void Create(HINSTANCE instance, HWND owner);
    HWND Window() const { return window_; }
    bool IsVisible() const { return window_ != nullptr && ::IsWindowVisible(window_); }

    // Shows `text` and `perMille` parts of a thousand done, or a moving bar where that is not known.
    void Show(std::wstring_view text, std::optional<int> perMille);
    // Shows the window over its owner's middle, on top of it, without taking
    // the focus from it.
    void Appear();
    void Hide();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SetMarquee(bool on);

    HWND window_ = nullptr;
    bool marquee_ = false;
    std::wstring text_;  // shown above the bar
};

}  // namespace orvan::win32
