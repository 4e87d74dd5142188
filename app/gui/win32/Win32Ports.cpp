#include "Win32Ports.h"

#include <string>

#include "platform/BusyCursor.h"
#include "platform/MessageBox.h"

namespace orvan::win32 {
namespace {

bool busyCursorShown = false;

}  // namespace

void InstallWin32Ports(HWND owner) {
    platform::MessageBoxOutput().Replace(
        [owner](std::wstring_view caption, std::wstring_view text, platform::MessageKind) {
            const std::wstring title(caption);
            const std::wstring message(text);
            ::MessageBoxW(owner, message.c_str(), title.c_str(), MB_OK);
        });
    platform::BusyCursorOutput().Replace([](bool busy) {
        busyCursorShown = busy;
        ::SetCursor(::LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
    });
}

bool SetBusyCursor(HWND window, LPARAM hitTest) {
    if (!busyCursorShown || LOWORD(hitTest) == static_cast<WORD>(HTERROR) || !::IsWindowEnabled(window)) {
        return false;
    }
    ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
    return true;
}

}  // namespace orvan::win32
