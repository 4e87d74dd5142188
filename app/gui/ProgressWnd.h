#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>

#include "library/Progress.h"

namespace orvan::gui {

// The window that shows how far a long command has come: a line of text
// ("Exporting...") and a bar. It has no button, and neither Esc nor the
// window manager's close closes it: a command cannot be cancelled, so nothing
// may pretend to. The running command shows and hides it (CRunningCommand).
class CProgressWnd : public QDialog {
    Q_OBJECT
public:
    explicit CProgressWnd(QWidget* parent);

    QLabel* Label() const { return label_; }
    QProgressBar* Bar() const { return bar_; }

    // Sets the text and an empty bar of unknown length.
    void Start(const QString& text);
    // Shows `report`: a part of the whole where the total is known, a busy bar where it is not.
    void Show(const Dorv::Orvan::Framework::Common::Progress& report);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* label_;
    QProgressBar* bar_;
};

}  // namespace orvan::gui
