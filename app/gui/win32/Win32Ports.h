#pragma once

#include <windows.h>

#include <string_view>

namespace orvan::win32 {

// Shows the commands' messages as plain message boxes (OK only, no icon,
// `caption` as title) owned by `owner`, and the busy cursor as the system's
// wait cursor. Call once the dialog's window exists.
void InstallWin32Ports(HWND owner);

// Answers WM_SETCURSOR for `window` while a busy cursor is up: shows the wait
// cursor and returns true. False otherwise, and over a window a message box
// has disabled, where the system's own answer (a beep, the box flashing) belongs.
bool SetBusyCursor(HWND window, LPARAM hitTest);

}  // namespace orvan::win32
