#include "ProgressWnd.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QVBoxLayout>

#include "DialogUnits.h"

namespace orvan::gui {

CProgressWnd::CProgressWnd(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("OrvanCommonClassesTest"));
    // A caption without a close box, a system menu or a help button.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowModality(Qt::WindowModal);

    label_ = new QLabel(this);
    label_->setTextFormat(Qt::PlainText);
    bar_ = new QProgressBar(this);
    bar_->setTextVisible(false);
    const QRect margins = DialogRect(font(), 7, 7, 0, 0);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(margins.x(), margins.y(), margins.x(), margins.y());
    layout->setSpacing(DialogRect(font(), 0, 4, 0, 0).y());
    layout->addWidget(label_);
    layout->addWidget(bar_);
    bar_->setMinimumWidth(DialogRect(font(), 0, 0, 180, 0).width());
    layout->setSizeConstraint(QLayout::SetFixedSize);  // as large as its text and bar need, no larger
}

void CProgressWnd::Start(const QString& text) {
    label_->setText(text);
    bar_->setRange(0, 0);
    bar_->setValue(0);
}

void CProgressWnd::Show(const Dorv::Orvan::Framework::Common::Progress& report) {
    if (report.total > 0) {
        bar_->setRange(0, 1000);
        const std::uint64_t done = report.done < report.total ? report.done : report.total;
        bar_->setValue(static_cast<int>(done * 1000 / report.total));
    } else {
        bar_->setRange(0, 0);
    }
}

void CProgressWnd::keyPressEvent(QKeyEvent* event) {
    event->accept();  // not even Esc: there is nothing to cancel
}

void CProgressWnd::closeEvent(QCloseEvent* event) { event->ignore(); }

}  // namespace orvan::gui
