#pragma once

#include <windows.h>

namespace orvan::win32 {

// Grows every text and push button of `dialog` whose text needs more room
// than its dialog units give, so that no font cuts a text: what lies right of
// a grown control in its row moves along, controls at the right edge stay
// there, and the dialog widens to keep its margin. Then centres the dialog
// over its owner (or the screen's work area). Call from WM_INITDIALOG.
void FitToText(HWND dialog);

// Moves `window` over the middle of its owner, or of its monitor's work area
// when it has no visible owner, keeping it on the screen.
void CentreOverOwner(HWND window);

}  // namespace orvan::win32
