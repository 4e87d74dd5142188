#pragma once

#include <QWidget>

namespace orvan::gui {

// Shows the commands' messages as plain Qt message boxes (OK only, no icon,
// the application's name as caption) over `parent`, and the busy cursor as
// Qt's wait cursor.
void InstallQtPorts(QWidget* parent);

}  // namespace orvan::gui
