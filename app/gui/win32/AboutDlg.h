#pragma once

#include <windows.h>

namespace orvan::win32 {

// "About OrvanCommonClassesTest": the icon, the name and version, a rights
// line and "OK", from the resource script, each text grown to fit its font.
class CAboutDlg {
public:
    explicit CAboutDlg(HINSTANCE instance) : instance_(instance) {}
    // Shows the box over `owner` and returns when it is closed (OK, Enter, Esc or its close box).
    void DoModal(HWND owner) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
};

}  // namespace orvan::win32
