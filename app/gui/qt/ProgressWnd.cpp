#include "ProgressWnd.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "DialogUnits.h"
#include "platform/ProgramFacts.h"

namespace orvan::gui {

CProgressWnd::CProgressWnd(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral(ORVAN_NAME));
    // A caption without a close box, a system menu or a help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::WindowModal);

    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    const QRect margins = DialogRect(font(), facts::kProgressText.x, facts::kProgressText.y, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins.x(), margins.y(), margins.x(), margins.y());
    layout->setSpacing(DialogRect(font(), 0, facts::kProgressBar.y - facts::kProgressText.y - facts::kProgressText.height, 0, 0).y());
    layout->addWidget(label_);
    layout->addWidget(bar_);
    bar_->setMinimumWidth(DialogRect(font(), 0, 0, facts::kProgressBar.width, 0).width());
    layout->setSizeConstraint(QLayout::SetFixedSize);  // as large as its text and bar need, no larger
}

void CProgressWnd::Show(std::wstring_view text, std::optional<int> perMille) {
    const QString label = QString::fromWCharArray(text.data(), static_cast<qsizetype>(text.size()));
    if (label_->text() != label) {
        label_->setText(label);
    }
    if (perMille) {
        bar_->setRange(0, 1000);
        bar_->setValue(*perMille);
    } else {
        bar_->setRange(0, 0);
    }
}

void CProgressWnd::keyPressEvent(QKeyEvent* event) {
    event->accept();  // not even Esc: there is nothing to cancel
}

void CProgressWnd::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace orvan::gui
