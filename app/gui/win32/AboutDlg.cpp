#include "AboutDlg.h"

#include "DialogFit.h"
#include "Resources.h"

namespace orvan::win32 {

void CAboutDlg::DoModal(HWND owner) const {
    ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUTBOX), owner, &CAboutDlg::DialogProc, 0);
}

INT_PTR CALLBACK CAboutDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            FitToText(window);
            return TRUE;  // the focus goes to OK
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
                ::EndDialog(window, LOWORD(wParam));
                return TRUE;
            }
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace orvan::win32
