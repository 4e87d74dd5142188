#include "OrvanCommonClassesTestDlg.h"

#include <string>

#include "DialogFit.h"
#include "Resources.h"
#include "Win32Ports.h"
#include "platform/DebugAssert.h"
#include "platform/ProgramFacts.h"

namespace orvan::win32 {
namespace {

HICON LoadApplicationIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                           ::GetSystemMetrics(widthMetric), ::GetSystemMetrics(heightMetric),
                                           LR_DEFAULTCOLOR));
}

}  // namespace

COrvanCommonClassesTestDlg::COrvanCommonClassesTestDlg(HINSTANCE instance, app::COrvanCommands& commands)
    : instance_(instance),
      commands_(commands),
      m_hIcon(LoadApplicationIcon(instance, SM_CXICON, SM_CYICON)),
      smallIcon_(LoadApplicationIcon(instance, SM_CXSMICON, SM_CYSMICON)),
      about_(instance) {}

COrvanCommonClassesTestDlg::~COrvanCommonClassesTestDlg() {
    ::DestroyIcon(smallIcon_);
    ::DestroyIcon(m_hIcon);
}

INT_PTR COrvanCommonClassesTestDlg::DoModal() {
    return ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ORVANCOMMONCLASSESTEST_DIALOG), nullptr,
                             &COrvanCommonClassesTestDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK COrvanCommonClassesTestDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<COrvanCommonClassesTestDlg*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->window_ = window;
        return dialog->OnInitDialog();
    }
    auto* dialog = reinterpret_cast<COrvanCommonClassesTestDlg*>(::GetWindowLongPtrW(window, DWLP_USER));
    return dialog != nullptr ? dialog->OnMessage(message, wParam, lParam) : FALSE;
}

INT_PTR COrvanCommonClassesTestDlg::Answer(LONG_PTR result) const {
    ::SetWindowLongPtrW(window_, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR COrvanCommonClassesTestDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SYSCOMMAND:
            return OnSysCommand(static_cast<UINT>(wParam));
        case WM_PAINT:
            return OnPaint();
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_hIcon);  // answered directly, as this message wants
        case WM_COMMAND:
            OnCommand(LOWORD(wParam));
            return TRUE;
        case WM_SETCURSOR:
            return SetBusyCursor(window_, lParam) ? Answer(TRUE) : FALSE;
        case WM_GETMINMAXINFO:
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = minimumSize_;
            return Answer(0);
        default:
            return FALSE;
    }
}

BOOL COrvanCommonClassesTestDlg::OnInitDialog() {
    FitToText(window_);
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    minimumSize_ = {frame.right - frame.left, frame.bottom - frame.top};

    if (const HMENU systemMenu = ::GetSystemMenu(window_, FALSE)) {
        wchar_t about[128] = {};
        const bool loaded = ::LoadStringW(instance_, IDS_ABOUTBOX, about, static_cast<int>(std::size(about))) > 0;
        ORVAN_ASSERT(loaded);
        if (loaded) {
            ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about);
        }
    }
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    InstallWin32Ports(window_);
    progress_.Create(instance_, window_);
    view_.emplace(window_, progress_);
    session_.emplace(*view_);
    return TRUE;  // the dialog manager focuses the first tab stop
}

bool COrvanCommonClassesTestDlg::OnSysCommand(UINT id) {
    if ((id & 0xFFF0) != IDM_ABOUTBOX) {
        return false;  // the system's own handling
    }
    if (!session_->Running()) {
        about_.DoModal(window_);
    }
    return true;
}

bool COrvanCommonClassesTestDlg::OnPaint() {
    if (!::IsIconic(window_)) {
        return false;
    }
    // A minimised window shows the icon in the middle of its client area.
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(window_, &paint);
    ::SendMessageW(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = ::GetSystemMetrics(SM_CXICON);
    const int iconHeight = ::GetSystemMetrics(SM_CYICON);
    RECT client{};
    ::GetClientRect(window_, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    ::DrawIcon(dc, x, y, m_hIcon);
    ::EndPaint(window_, &paint);
    return true;
}

void COrvanCommonClassesTestDlg::OnCommand(UINT id) {
    if (session_->Running()) {
        return;  // nothing ends the dialog or starts a command inside the running one
    }
    switch (id) {
        case IDC_BUTTON_EXPORT:
            OnBnClickedExport();
            break;
        case IDC_BUTTON_IMPORT:
            OnBnClickedImport();
            break;
        case IDOK:  // Enter where no button has the focus
        case IDCANCEL:  // "Cancel", Esc and the close box
            ::EndDialog(window_, id);
            break;
        default:
            break;
    }
}

void COrvanCommonClassesTestDlg::OnBnClickedExport() {
    session_->Run(facts::kExporting, [this](exchange::CommandListener& listener) { commands_.OnBnClickedExport(listener); });
}

void COrvanCommonClassesTestDlg::OnBnClickedImport() {
    session_->Run(facts::kImporting, [this](exchange::CommandListener& listener) { commands_.OnBnClickedImport(listener); });
}

}  // namespace orvan::win32
