#pragma once

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPushButton>
#include <chrono>

#include "ProgressWnd.h"
#include "QtCommandView.h"
#include "app/CommandSession.h"
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
// takes long (CommandSession, drawn by QtCommandView).
class COrvanCommonClassesTestDlg : public QDialog {
    Q_OBJECT
public:
    // Progress reports show the progress window once a command has run `progressDelay`.
    explicit COrvanCommonClassesTestDlg(app::COrvanCommands& commands, QWidget* parent = nullptr,
                                        std::chrono::milliseconds progressDelay = app::CommandSession::kProgressDelay);

    QPushButton* ExportButton() const { return export_; }
    QPushButton* ImportButton() const { return import_; }
    QPushButton* CancelButton() const { return cancel_; }
    QAction* AboutAction() const { return about_; }
    CProgressWnd* ProgressWindow() const { return progress_; }
    // The menu the dialog shows on a right click.
    QMenu* CreateContextMenu();

    // Whether a command is running (a message box of its own may be open).
    bool IsCommandRunning() const { return session_.Running(); }

public slots:
    void OnBnClickedExport();
    void OnBnClickedImport();
    void ShowAboutBox();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    app::COrvanCommands& commands_;
    QPushButton* cancel_;
    QPushButton* export_;
    QPushButton* import_;
    QAction* about_;
    CProgressWnd* progress_;
    QtCommandView view_;
    app::CommandSession session_;
};

}  // namespace orvan::gui
