#pragma once

#include <QWidget>
#include <string_view>

namespace orvan::gui {

// Shows one of the commands' messages as a plain Qt message box (OK only, no
// icon, `caption` as the window title) over `owner`, and returns when it is closed.
void ShowQtMessageBox(QWidget* owner, std::wstring_view caption, std::wstring_view text);

// Shows the commands' messages with ShowQtMessageBox over `parent`, and the
// busy cursor as Qt's wait cursor.
void InstallQtPorts(QWidget* parent);

}  // namespace orvan::gui
