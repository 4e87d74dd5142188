#include "ProgressWnd.h"

#include <commctrl.h>

#include "DialogFit.h"
#include "Resources.h"
#include "Win32Ports.h"

namespace orvan::win32 {

void CProgressWnd::Create(HINSTANCE instance, HWND owner) {
    window_ = ::CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS), owner, &CProgressWnd::DialogProc, 0);
}

INT_PTR CALLBACK CProgressWnd::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return FALSE;  // leaves the focus where it is
        case WM_CLOSE:
            return TRUE;  // there is nothing to cancel
        case WM_COMMAND:
            return LOWORD(wParam) == IDCANCEL;  // Esc, likewise
        case WM_SETCURSOR:
            if (SetBusyCursor(window, lParam)) {
                ::SetWindowLongPtrW(window, DWLP_MSGRESULT, TRUE);
                return TRUE;
            }
            return FALSE;
        case WM_MOUSEACTIVATE:
            // A click neither activates it nor reaches it: the focus stays in the dialog.
            ::SetWindowLongPtrW(window, DWLP_MSGRESULT, MA_NOACTIVATEANDEAT);
            return TRUE;
        default:
            return FALSE;
    }
}

void CProgressWnd::Show(std::wstring_view text, std::optional<int> perMille) {
    if (text != text_) {
        text_ = text;
        ::SetDlgItemTextW(window_, IDC_PROGRESS_TEXT, text_.c_str());
    }
    if (!perMille) {
        SetMarquee(true);
        return;
    }
    SetMarquee(false);
    ::SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 1000);
    ::SendDlgItemMessageW(window_, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(*perMille), 0);
}

void CProgressWnd::SetMarquee(bool on) {
    if (on == marquee_) {
        return;
    }
    marquee_ = on;
    const HWND bar = ::GetDlgItem(window_, IDC_PROGRESS_BAR);
    const LONG_PTR style = ::GetWindowLongPtrW(bar, GWL_STYLE);
    ::SetWindowLongPtrW(bar, GWL_STYLE, on ? style | PBS_MARQUEE : style & ~static_cast<LONG_PTR>(PBS_MARQUEE));
    ::SendMessageW(bar, PBM_SETMARQUEE, on ? TRUE : FALSE, 30);
}

void CProgressWnd::Appear() {
    CentreOverOwner(window_);
    ::SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ::UpdateWindow(window_);
}

void CProgressWnd::Hide() {
    SetMarquee(false);  // its timer would wake the idle dialog
    if (IsVisible()) {
        ::ShowWindow(window_, SW_HIDE);
    }
}

}  // namespace orvan::win32
