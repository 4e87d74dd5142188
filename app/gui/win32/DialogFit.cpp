#include "DialogFit.h"

#include <commctrl.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace orvan::win32 {
namespace {

struct Control {
    HWND window;
    RECT rect;  // in the dialog's client area
    LONG needed;  // width its text needs; 0 for a control without text of its own
};

std::wstring ClassOf(HWND control) {
    wchar_t name[32] = {};
    ::GetClassNameW(control, name, static_cast<int>(std::size(name)));
    return name;
}

std::wstring TextOf(HWND control) {
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

LONG NeededWidth(HWND control, HDC dc) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
    const std::wstring kind = ClassOf(control);
    if (_wcsicmp(kind.c_str(), WC_BUTTONW) == 0) {
        const DWORD type = style & BS_TYPEMASK;
        SIZE ideal{};
        const bool pushButton = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
        return pushButton && ::SendMessageW(control, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) ? ideal.cx
                                                                                                          : 0;
    }
    if (_wcsicmp(kind.c_str(), WC_STATICW) == 0) {
        const DWORD type = style & SS_TYPEMASK;
        if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP) {
            return 0;
        }
        const std::wstring text = TextOf(control);
        RECT bounds{};
        ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &bounds,
                    DT_CALCRECT | DT_SINGLELINE | ((style & SS_NOPREFIX) != 0 ? DT_NOPREFIX : 0));
        return bounds.right - bounds.left;
    }
    return 0;
}

std::vector<Control> ControlsOf(HWND dialog) {
    const HDC dc = ::GetDC(dialog);
    const HGDIOBJ previousFont =
        ::SelectObject(dc, reinterpret_cast<HGDIOBJ>(::SendMessageW(dialog, WM_GETFONT, 0, 0)));
    std::vector<Control> controls;
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        ::GetWindowRect(child, &rect);
        ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        controls.push_back({child, rect, NeededWidth(child, dc)});
    }
    ::SelectObject(dc, previousFont);
    ::ReleaseDC(dialog, dc);
    return controls;
}

bool SharesARow(const RECT& a, const RECT& b) { return a.top < b.bottom && b.top < a.bottom; }

}  // namespace

void FitToText(HWND dialog) {
    RECT client{};
    ::GetClientRect(dialog, &client);
    RECT margins{7, 7, 0, 0};
    ::MapDialogRect(dialog, &margins);
    const LONG margin = margins.left;

    std::vector<Control> controls = ControlsOf(dialog);
    std::vector<std::optional<LONG>> distanceToRightEdge;  // of those that reach into the right margin
    for (const Control& control : controls) {
        const LONG distance = client.right - control.rect.right;
        distanceToRightEdge.push_back(distance <= margin ? std::optional(distance) : std::nullopt);
    }
    std::vector<std::size_t> leftToRight(controls.size());
    std::iota(leftToRight.begin(), leftToRight.end(), 0);
    std::stable_sort(leftToRight.begin(), leftToRight.end(),
                     [&](std::size_t a, std::size_t b) { return controls[a].rect.left < controls[b].rect.left; });

    for (const std::size_t grown : leftToRight) {
        RECT& rect = controls[grown].rect;
        const LONG growth = controls[grown].needed - (rect.right - rect.left);
        if (growth <= 0) {
            continue;
        }
        const LONG oldRight = rect.right;
        rect.right += growth;
        for (Control& other : controls) {
            if (other.rect.left >= oldRight && SharesARow(other.rect, rect)) {
                other.rect.left += growth;
                other.rect.right += growth;
            }
        }
    }

    LONG width = client.right;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        width = std::max(width, controls[i].rect.right + distanceToRightEdge[i].value_or(margin));
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        RECT& rect = controls[i].rect;
        if (distanceToRightEdge[i]) {
            const LONG shift = width - *distanceToRightEdge[i] - rect.right;
            rect.left += shift;
            rect.right += shift;
        }
        ::SetWindowPos(controls[i].window, nullptr, rect.left, rect.top, rect.right - rect.left,
                       rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    RECT frame{};
    ::GetWindowRect(dialog, &frame);
    ::SetWindowPos(dialog, nullptr, 0, 0, frame.right - frame.left + width - client.right, frame.bottom - frame.top,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CentreOverOwner(dialog);
}

void CentreOverOwner(HWND window) {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    const HWND owner = ::GetWindow(window, GW_OWNER);
    ::GetMonitorInfoW(::MonitorFromWindow(owner != nullptr ? owner : window, MONITOR_DEFAULTTONEAREST), &monitor);
    RECT area = monitor.rcWork;
    if (owner != nullptr && ::IsWindowVisible(owner) && !::IsIconic(owner)) {
        ::GetWindowRect(owner, &area);
    }
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const LONG width = frame.right - frame.left;
    const LONG height = frame.bottom - frame.top;
    // Centred, but whole on the screen where it can be.
    const LONG left = std::clamp((area.left + area.right - width) / 2, monitor.rcWork.left,
                                 std::max(monitor.rcWork.left, monitor.rcWork.right - width));
    const LONG top = std::clamp((area.top + area.bottom - height) / 2, monitor.rcWork.top,
                                std::max(monitor.rcWork.top, monitor.rcWork.bottom - height));
    ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace orvan::win32
