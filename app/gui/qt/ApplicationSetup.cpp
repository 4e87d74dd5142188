#include "ApplicationSetup.h"

#include <QApplication>
#include <QIcon>

namespace orvan::gui {

void SetUpApplication() {
    QApplication::setApplicationName(QStringLiteral("OrvanCommonClassesTest"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    QApplication::setDesktopFileName(QStringLiteral("OrvanCommonClassesTest"));
    QIcon icon;
    for (int size : {16, 24, 32, 64}) {
        icon.addFile(QStringLiteral(":/icons/OrvanCommonClassesTest-%1.png").arg(size), QSize(size, size));
    }
    QApplication::setWindowIcon(icon);
}

}  // namespace orvan::gui
