#include "ApplicationSetup.h"

#include <QApplication>
#include <QIcon>

#include "platform/ProgramFacts.h"

namespace orvan::gui {

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral(ORVAN_NAME));
    QApplication::setApplicationVersion(QStringLiteral(ORVAN_VERSION));
    QApplication::setDesktopFileName(QStringLiteral(ORVAN_NAME));
    QIcon icon;
    for (int size : {16, 24, 32, 64}) {
        icon.addFile(QStringLiteral(":/icons/" ORVAN_NAME "-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
}

}  // namespace orvan::gui
