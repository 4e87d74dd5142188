#include "QtCommandView.h"

#include <QApplication>
#include <QEvent>
#include <QWindow>

namespace orvan::gui {
namespace {

// Input a user gives a window: what a running command refuses.
bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::InputMethod:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::Close:  // the close box, Alt+F4 and the window manager's "Close"
            return true;
        default:
            return false;
    }
}

}  // namespace

QtCommandView::QtCommandView(QWidget* dialog, CProgressWnd* progress) : dialog_(dialog), progress_(progress) {}

void QtCommandView::SetRunning(bool running) {
    if (running) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

bool QtCommandView::Refuses(QObject* receiver, const QEvent& event) const {
    if (!IsUserInput(event.type())) {
        return false;
    }
    if (const auto* widget = qobject_cast<const QWidget*>(receiver)) {
        const QWidget* window = widget->window();
        return window == dialog_ || window == progress_;
    }
    if (const auto* window = qobject_cast<const QWindow*>(receiver)) {
        return (dialog_ && window == dialog_->windowHandle()) || (progress_ && window == progress_->windowHandle());
    }
    // Actions and shortcuts: the dialog's (the about box on F1) must not run either.
    return true;
}

bool QtCommandView::eventFilter(QObject* watched, QEvent* event) {
    if (!Refuses(watched, *event)) {
        return false;
    }
    // An accepted override keeps shortcuts from being tried; an ignored close keeps the window open.
    event->setAccepted(event->type() == QEvent::ShortcutOverride);
    return true;
}

void QtCommandView::ShowProgress(std::wstring_view text, std::optional<int> perMille) {
    if (!progress_) {
        return;
    }
    progress_->Show(text, perMille);
    if (!progress_->isVisible()) {
        progress_->show();
        progress_->raise();
    }
}

void QtCommandView::HideProgress() {
    if (!progress_ || !progress_->isVisible()) {
        return;
    }
    const bool wasActive = progress_->isActiveWindow();
    progress_->hide();
    if (wasActive && dialog_ && dialog_->isVisible()) {
        dialog_->activateWindow();  // what the window manager does on a desktop
    }
}

std::optional<int> QtCommandView::RunQueueWithoutInput() {
    // Paints the windows; the filter drops the user's input that comes with it.
    QCoreApplication::processEvents();
    return std::nullopt;
}

void QtCommandView::DropInput() {
    // Input that reached the program but has not been handled yet is
    // delivered now, while the filter still drops it.
    QGuiApplication::sync();
}

void QtCommandView::ShowMessage(std::wstring_view text, platform::MessageKind kind) {
    platform::ShowMessageBox(text, kind);  // the dialog's own (InstallQtPorts)
}

void QtCommandView::Quit(int exitCode) { QCoreApplication::exit(exitCode); }

}  // namespace orvan::gui
