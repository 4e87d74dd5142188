#pragma once

#include <windows.h>

#include "library/Progress.h"

namespace orvan::win32 {

// The window that shows how far a long command has come: a line of text
// ("Exporting...") and a bar. It has no button and no close box, and Esc does
// not close it: a command cannot be cancelled, so nothing may pretend to. The
// running command shows and hides it (CRunningCommand).
class CProgressWnd {
public:
    CProgressWnd() = default;
    CProgressWnd(const CProgressWnd&) = delete;
    CProgressWnd& operator=(const CProgressWnd&) = delete;

    // Makes the hidden window, owned by `owner`, which destroys it with itself.
    void Create(HINSTANCE instance, HWND owner);
    HWND Window() const { return window_; }
    bool IsVisible() const { return window_ != nullptr && ::IsWindowVisible(window_); }

    // Sets the text and a bar of unknown length.
    void Start(const wchar_t* text);
    // Shows `report`: a part of the whole where the total is known, a moving bar where it is not.
    void Show(const Dorv::Orvan::Framework::Common::Progress& report);
    // Shows the window over its owner's middle, on top of it, without taking
    // the focus from it.
    void Appear();
    void Hide();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void SetMarquee(bool on);

    HWND window_ = nullptr;
    bool marquee_ = false;
};

}  // namespace orvan::win32
