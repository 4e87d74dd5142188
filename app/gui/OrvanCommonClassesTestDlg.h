#pragma once

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <chrono>
#include <functional>

#include "ProgressWnd.h"
#include "app/OrvanCommands.h"

namespace orvan::gui {

// The main dialog "OrvanCommonClassesTest": "Export", "Import" and "Cancel",
// a thin view over the commands. Keys as a Windows dialog has them: Tab and
// Shift+Tab move between the buttons, Space and Enter click the focused one,
// Enter with no button focused ends the dialog like OK; Esc and the close box
// cancel. The about box is in its context menu and on F1.
//
// A command runs to its end before the next input is handled: the dialog
// refuses all input while it runs, and shows the progress window when it
// takes long (CRunningCommand).
class COrvanCommonClassesTestDlg : public QDialog {
    Q_OBJECT
public:
    explicit COrvanCommonClassesTestDlg(app::COrvanCommands& commands, QWidget* parent = nullptr);

    QPushButton* ExportButton() const { return export_; }
    QPushButton* ImportButton() const { return import_; }
    QPushButton* CancelButton() const { return cancel_; }
    QAction* AboutAction() const { return about_; }
    CProgressWnd* ProgressWindow() const { return progress_; }
    // The menu the dialog shows on a right click.
    QMenu* CreateContextMenu();

    // Whether a command is running (a message box of its own may be open).
    bool IsCommandRunning() const { return commandRunning_; }
    // How long a command runs before progress reports show the progress window.
    static constexpr std::chrono::milliseconds kProgressDelay{500};
    void SetProgressDelay(std::chrono::milliseconds delay) { progressDelay_ = delay; }

public slots:
    void OnBnClickedExport();
    void OnBnClickedImport();
    void ShowAboutBox();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void RunCommand(const QString& progressText, const std::function<void()>& command);

    app::COrvanCommands& commands_;
    QPushButton* cancel_;
    QPushButton* export_;
    QPushButton* import_;
    QAction* about_;
    CProgressWnd* progress_;
    std::chrono::milliseconds progressDelay_ = kProgressDelay;
    bool commandRunning_ = false;
};

}  // namespace orvan::gui
