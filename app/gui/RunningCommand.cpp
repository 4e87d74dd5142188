#include "RunningCommand.h"

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

CRunningCommand::CRunningCommand(QWidget* dialog, CProgressWnd* progress, const QString& text,
                                 std::chrono::milliseconds delay)
    : dialog_(dialog),
      progress_(progress),
      delay_(delay),
      observer_([this](const Dorv::Orvan::Framework::Common::Progress& report) { OnProgress(report); },
                [this](std::wstring_view caption, std::wstring_view message, platform::MessageKind kind) {
                    OnMessage(caption, message, kind);
                }) {
    progress_->Start(text);
    sinceStart_.start();
    qApp->installEventFilter(this);
}

CRunningCommand::~CRunningCommand() {
    HideProgress();
    // Input that reached the program while the command ran, but has not been
    // handled yet, is dropped here instead of acting once the command is over.
    QGuiApplication::sync();
    qApp->removeEventFilter(this);
}

bool CRunningCommand::Refuses(QObject* receiver, const QEvent& event) const {
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

bool CRunningCommand::eventFilter(QObject* watched, QEvent* event) {
    if (!Refuses(watched, *event)) {
        return false;
    }
    // An accepted override keeps shortcuts from being tried; an ignored close keeps the window open.
    event->setAccepted(event->type() == QEvent::ShortcutOverride);
    return true;
}

void CRunningCommand::HideProgress() {
    if (!progress_ || !progress_->isVisible()) {
        return;
    }
    const bool wasActive = progress_->isActiveWindow();
    progress_->hide();
    if (wasActive && dialog_ && dialog_->isVisible()) {
        dialog_->activateWindow();  // what the window manager does on a desktop
    }
}

void CRunningCommand::OnProgress(const Dorv::Orvan::Framework::Common::Progress& report) {
    if (progress_ && sinceStart_.elapsed() >= delay_.count()) {
        progress_->Show(report);
        if (!progress_->isVisible()) {
            progress_->show();
            progress_->raise();
            sinceEventLoop_.invalidate();
        }
        if (!sinceEventLoop_.isValid() || sinceEventLoop_.elapsed() >= 50) {
            sinceEventLoop_.start();
            // Paints the window; the filter drops the user's input that comes with it.
            QCoreApplication::processEvents();
        }
    }
    observer_.ForwardProgress(report);
}

void CRunningCommand::OnMessage(std::wstring_view caption, std::wstring_view text, platform::MessageKind kind) {
    HideProgress();
    observer_.ForwardMessage(caption, text, kind);
    sinceStart_.restart();
    sinceEventLoop_.invalidate();
}

}  // namespace orvan::gui
