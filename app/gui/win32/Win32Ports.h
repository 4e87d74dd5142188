#pragma once

#include <windows.h>

#include <string_view>

namespace orvan::win32 {

// Shows the commands' messages as plain message boxes (OK only, no icon,
// `caption` as title) owned by `owner`, and the busy cursor as the system's
// wait cursor. Call once the dialog's window exists.
void InstallWin32Ports(HWND owner);

// Whether a busy cursor is up: the dialog shows it over its windows
// whenever the system asks which cursor to show.
bool IsBusyCursorShown();

}  // namespace orvan::win32
