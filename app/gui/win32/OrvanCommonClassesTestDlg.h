#pragma once

#include <windows.h>

#include <optional>

#include "AboutDlg.h"
#include "ProgressWnd.h"
#include "Win32CommandView.h"
#include "app/CommandSession.h"
#include "app/OrvanCommands.h"

namespace orvan::win32 {

// The main dialog "OrvanCommonClassesTest" as the system's dialog manager
// draws it from the resource script: "Export", "Import" and "Cancel", a thin
// view over the commands. The dialog manager gives it a Windows dialog's keys:
// Tab and Shift+Tab move between the buttons, Space and Enter click the
// focused one, Esc and the close box cancel. The about box is in its system
// menu.
//
// A command runs to its end before the next input is handled: its clicks,
// keys and closing are refused while it runs, and the progress window shows
// when it takes long (CommandSession, drawn by Win32CommandView).
class COrvanCommonClassesTestDlg {
public:
    COrvanCommonClassesTestDlg(HINSTANCE instance, app::COrvanCommands& commands);
    ~COrvanCommonClassesTestDlg();
    COrvanCommonClassesTestDlg(const COrvanCommonClassesTestDlg&) = delete;
    COrvanCommonClassesTestDlg& operator=(const COrvanCommonClassesTestDlg&) = delete;

    // Shows the dialog and returns how it ended: IDOK or IDCANCEL.
    INT_PTR DoModal();

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    bool OnSysCommand(UINT id);
    bool OnPaint();
    void OnCommand(UINT id);
    void OnBnClickedExport();
    void OnBnClickedImport();
    // The dialog procedure's answer to a message that wants a result of its own.
    INT_PTR Answer(LONG_PTR result) const;

    HINSTANCE instance_;
    app::COrvanCommands& commands_;
    HWND window_ = nullptr;
    HICON m_hIcon;  // the application icon, as large as the system draws window icons
    HICON smallIcon_;
    CAboutDlg about_;
    CProgressWnd progress_;
    POINT minimumSize_{};  // the dialog as its texts need it: it shrinks no further
    // Made once the dialog's window exists.
    std::optional<Win32CommandView> view_;
    std::optional<app::CommandSession> session_;
};

}  // namespace orvan::win32
