#pragma once

#include <QAction>
#include <functional>
#include <QDialog>
#include <QMenu>
#include <QPushButton>

#include "app/OrvanCommands.h"

namespace orvan::gui {

// The main dialog "OrvanCommonClassesTest": "Export", "Import" and "Cancel",
// a thin view over the commands. Enter ends it like OK; Esc and the close box
// like Cancel. The about box is in its context menu and on F1.
class COrvanCommonClassesTestDlg : public QDialog {
    Q_OBJECT
public:
    explicit COrvanCommonClassesTestDlg(app::COrvanCommands& commands, QWidget* parent = nullptr);

    QPushButton* ExportButton() const { return export_; }
    QPushButton* ImportButton() const { return import_; }
    QPushButton* CancelButton() const { return cancel_; }
    QAction* AboutAction() const { return about_; }
    // The menu the dialog shows on a right click.
    QMenu* CreateContextMenu();

public slots:
    void OnBnClickedExport();
    void OnBnClickedImport();
    void ShowAboutBox();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void RunWithProgress(const QString& label, const std::function<void()>& command);

    app::COrvanCommands& commands_;
    QPushButton* cancel_;
    QPushButton* export_;
    QPushButton* import_;
    QAction* about_;
};

}  // namespace orvan::gui
