#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <optional>
#include <string_view>

namespace orvan::gui {

// The window that shows how far a long command has come: a line of text
// ("Exporting...") and a bar. It has no button, and neither Esc nor the
// window manager's close closes it: a command cannot be cancelled, so nothing
// may pretend to. The dialog's command view shows and hides it (QtCommandView).
class CProgressWnd : public QDialog {
    Q_OBJECT
public:
    explicit CProgressWnd(QWidget* parent);

    QLabel* Label() const { return label_; }
    QProgressBar* Bar() const { return bar_; }

    // Shows `text` and `perMille` parts of a thousand done, or a busy bar where that is not known.
    void Show(std::wstring_view text, std::optional<int> perMille);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* label_;
    QProgressBar* bar_;
};

}  // namespace orvan::gui
