#include "OrvanCommonClassesTestDlg.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <algorithm>

#include "AboutDlg.h"
#include "DialogUnits.h"
#include "platform/ProgramFacts.h"

namespace orvan::gui {
namespace {

QPushButton* MakeButton(QWidget* parent, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);  // the dialog has no default button
    button->setDefault(false);
    return button;
}

}  // namespace

COrvanCommonClassesTestDlg::COrvanCommonClassesTestDlg(app::COrvanCommands& commands, QWidget* parent,
                                                       std::chrono::milliseconds progressDelay)
    : QDialog(parent),
      commands_(commands),
      progress_(new CProgressWnd(this)),
      view_(this, progress_),
      session_(view_, progressDelay) {
    setWindowTitle(QStringLiteral(ORVAN_NAME));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    setSizeGripEnabled(true);
    const QFont& dialogFont = font();

    // Created in tab order.
    cancel_ = MakeButton(this, QStringLiteral(ORVAN_TEXT_CANCEL));
    export_ = MakeButton(this, QStringLiteral(ORVAN_TEXT_EXPORT));
    import_ = MakeButton(this, QStringLiteral(ORVAN_TEXT_IMPORT));
    setTabOrder(cancel_, export_);
    setTabOrder(export_, import_);
    cancel_->setFocus();  // the first tab stop has the focus when the dialog opens
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(export_, &QPushButton::clicked, this, &COrvanCommonClassesTestDlg::OnBnClickedExport);
    connect(import_, &QPushButton::clicked, this, &COrvanCommonClassesTestDlg::OnBnClickedImport);

    // The resource's places (dialog units), each button grown to its text:
    // Export keeps its distance from Import, Cancel its corner, and the dialog
    // grows to keep its margins.
    const QRect importRect = FitToText(*import_, DialogRect(dialogFont, facts::kImportButton));
    QRect exportRect = FitToText(*export_, DialogRect(dialogFont, facts::kExportButton));
    exportRect.moveLeft(std::max(exportRect.left(), importRect.right() + 1 + DialogUnitsAcross(dialogFont, 21)));
    QRect cancelRect = FitToText(*cancel_, DialogRect(dialogFont, facts::kCancelButton));
    QSize size = DialogRect(dialogFont, facts::kDialog).size();
    const int marginX = DialogUnitsAcross(dialogFont, 7);
    const int marginY = DialogUnitsDown(dialogFont, 7);
    size.setWidth(std::max({size.width(), exportRect.right() + 1 + marginX, cancelRect.width() + 2 * marginX}));
    size.setHeight(std::max(size.height(), exportRect.bottom() + 1 + cancelRect.height() + 2 * marginY));
    cancelRect.moveBottomRight(QPoint(size.width() - 1 - marginX, size.height() - 1 - marginY));
    import_->setGeometry(importRect);
    export_->setGeometry(exportRect);
    cancel_->setGeometry(cancelRect);
    resize(size);

    about_ = new QAction(QStringLiteral(ORVAN_TEXT_ABOUT_MENU), this);
    about_->setShortcut(QKeySequence(Qt::Key_F1));
    about_->setShortcutContext(Qt::WindowShortcut);
    addAction(about_);
    connect(about_, &QAction::triggered, this, &COrvanCommonClassesTestDlg::ShowAboutBox);
}

void COrvanCommonClassesTestDlg::OnBnClickedExport() {
    session_.Run(facts::kExporting, [this](exchange::CommandListener& listener) { commands_.OnBnClickedExport(listener); });
}

void COrvanCommonClassesTestDlg::OnBnClickedImport() {
    session_.Run(facts::kImporting, [this](exchange::CommandListener& listener) { commands_.OnBnClickedImport(listener); });
}

void COrvanCommonClassesTestDlg::ShowAboutBox() {
    if (session_.Running()) {
        return;
    }
    CAboutDlg about(this);
    about.exec();
}

QMenu* COrvanCommonClassesTestDlg::CreateContextMenu() {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(about_);
    return menu;
}

void COrvanCommonClassesTestDlg::keyPressEvent(QKeyEvent* event) {
    // Enter clicks the focused push button (it acts as the default button
    // while it has the focus); with none focused it ends the dialog as OK does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        auto* button = qobject_cast<QPushButton*>(focusWidget());
        if (button != nullptr && button->isEnabled() && button->window() == this) {
            button->click();
        } else {
            accept();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void COrvanCommonClassesTestDlg::contextMenuEvent(QContextMenuEvent* event) {
    CreateContextMenu()->popup(event->globalPos());
}

}  // namespace orvan::gui
