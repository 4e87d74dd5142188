#pragma once

#include <QObject>
#include <QPointer>

#include "ProgressWnd.h"
#include "app/CommandView.h"

namespace orvan::gui {

// The Qt dialog's side of its commands (CommandSession): while one runs, every
// user input to the dialog and to the progress window (keys, clicks, the
// wheel, shortcuts, context menus, the close box) is refused and dropped, and
// the event loop runs only for the rest. Qt keeps a request to quit for its
// event loop, which ends once the command has returned.
class QtCommandView final : public QObject, public app::CommandView {
    Q_OBJECT
public:
    QtCommandView(QWidget* dialog, CProgressWnd* progress);

    void SetRunning(bool running) override;
    void ShowProgress(std::wstring_view text, std::optional<int> perMille) override;
    void HideProgress() override;
    std::optional<int> RunQueueWithoutInput() override;
    void DropInput() override;
    void ShowMessage(std::wstring_view text, platform::MessageKind kind) override;
    void Quit(int exitCode) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool Refuses(QObject* receiver, const QEvent& event) const;

    QPointer<QWidget> dialog_;
    QPointer<CProgressWnd> progress_;
};

}  // namespace orvan::gui
