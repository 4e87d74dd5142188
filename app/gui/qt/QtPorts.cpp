#include "QtPorts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include "platform/BusyCursor.h"
#include "platform/MessageBox.h"

namespace orvan::gui {

void ShowQtMessageBox(QWidget* owner, std::wstring_view caption, std::wstring_view text) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromWCharArray(caption.data(), static_cast<int>(caption.size())),
                    QString::fromWCharArray(text.data(), static_cast<int>(text.size())), QMessageBox::Ok, owner);
    box.exec();
}

void InstallQtPorts(QWidget* parent) {
    QPointer<QWidget> owner(parent);
    platform::MessageBoxOutput().Replace(
        [owner](std::wstring_view caption, std::wstring_view text, platform::MessageKind) {
            ShowQtMessageBox(owner.data(), caption, text);
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
