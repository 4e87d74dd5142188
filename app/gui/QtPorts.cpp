#include "QtPorts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "platform/BusyCursor.h"
#include "platform/MessageBox.h"

namespace orvan::gui {

void InstallQtPorts(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    platform::MessageBoxOutput().Replace(
        [owner](std::wstring_view caption, std::wstring_view text, platform::MessageKind) {
            QMessageBox box(QMessageBox::NoIcon, QString::fromWCharArray(caption.data(), static_cast<int>(caption.size())),
                            QString::fromWCharArray(text.data(), static_cast<int>(text.size())), QMessageBox::Ok,
                            owner.data());
            box.exec();
        });
    platform::BusyCursorOutput().Replace([](bool busy) {
        if (busy) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
        } else {
            QApplication::restoreOverrideCursor();
        }
    });
}

}  // namespace orvan::gui
