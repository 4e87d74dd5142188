#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <chrono>

#include "ProgressWnd.h"
#include "app/CommandObserver.h"

namespace orvan::gui {

// One command of the main dialog, from its click to its end; lives on the
// stack of the click's handler.
//
// The command runs on the user-interface thread and handles no input: every
// user input to the dialog and to the progress window (keys, clicks, the
// wheel, shortcuts, context menus, the close box) is refused while it runs,
// and refused input is dropped, never delivered later. The command's message
// boxes, which open while it runs, take input as usual.
//
// Once `delay` has passed, progress reports show the progress window; to keep
// it painted, the event loop runs, at most every 50 ms, for everything but the
// refused input. The progress window closes before any message box opens, so
// it never covers one, and the delay starts again after the message box.
class CRunningCommand : public QObject {
    Q_OBJECT
public:
    CRunningCommand(QWidget* dialog, CProgressWnd* progress, const QString& text,
                    std::chrono::milliseconds delay);
    // Hides the progress window and drops the input that came in meanwhile.
    ~CRunningCommand() override;
    CRunningCommand(const CRunningCommand&) = delete;
    CRunningCommand& operator=(const CRunningCommand&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Refuses(QObject* receiver, const QEvent& event) const;
    void HideProgress();
    void OnProgress(const Dorv::Orvan::Framework::Common::Progress& report);
    void OnMessage(std::wstring_view caption, std::wstring_view text, platform::MessageKind kind);

    QPointer<QWidget> dialog_;
    QPointer<CProgressWnd> progress_;
    std::chrono::milliseconds delay_;
    QElapsedTimer sinceStart_;  // since the command, or its last message box, began
    QElapsedTimer sinceEventLoop_;  // since the event loop last ran for the progress window
    app::CommandObserver observer_;
};

}  // namespace orvan::gui
