#include "AboutDlg.h"

#include <algorithm>

#include "DialogUnits.h"
#include "platform/ProgramFacts.h"

namespace orvan::gui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral(ORVAN_TEXT_ABOUT_CAPTION));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const QFont& dialogFont = font();

    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(32, 32));
    name_ = new QLabel(QStringLiteral(ORVAN_TEXT_ABOUT_NAME), this);
    name_->setTextFormat(Qt::PlainText);
    rights_ = new QLabel(QStringLiteral(ORVAN_COPYRIGHT), this);
    rights_->setTextFormat(Qt::PlainText);
    ok_ = new QPushButton(QStringLiteral(ORVAN_TEXT_OK), this);
    ok_->setDefault(true);
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

    // The resource's places (dialog units), each control grown to its text;
    // what lies right of or below a grown control moves along, and the box
    // grows to keep its margins.
    const QRect iconRect = FitToText(*icon, DialogRect(dialogFont, {facts::kAboutIcon.x, facts::kAboutIcon.y, 0, 0}));
    QRect nameRect = DialogRect(dialogFont, facts::kAboutName);
    nameRect.moveLeft(std::max(nameRect.left(), iconRect.right() + 1 + DialogUnitsAcross(dialogFont, 4)));
    nameRect = FitToText(*name_, nameRect);
    QRect rightsRect = DialogRect(dialogFont, facts::kAboutRights);
    rightsRect.moveLeft(nameRect.left());
    rightsRect.moveTop(std::max(rightsRect.top(), nameRect.bottom() + 1 + DialogUnitsDown(dialogFont, 4)));
    rightsRect = FitToText(*rights_, rightsRect);
    QRect okRect = FitToText(*ok_, DialogRect(dialogFont, facts::kAboutOk));
    okRect.moveTop(std::max({okRect.top(), rightsRect.bottom() + 1 + DialogUnitsDown(dialogFont, 7),
                             iconRect.bottom() + 1 + DialogUnitsDown(dialogFont, 7)}));

    QSize size = DialogRect(dialogFont, facts::kAboutBox).size();
    size.setWidth(std::max(
        {size.width(), std::max(nameRect.right(), rightsRect.right()) + 1 + DialogUnitsAcross(dialogFont, 14),
         okRect.width() + 2 * DialogUnitsAcross(dialogFont, 7)}));
    size.setHeight(std::max(size.height(), okRect.bottom() + 1 + DialogUnitsDown(dialogFont, 7)));
    okRect.moveRight(size.width() - 1 - DialogUnitsAcross(dialogFont, 7));  // OK stays in the corner

    icon->setGeometry(iconRect);
    name_->setGeometry(nameRect);
    rights_->setGeometry(rightsRect);
    ok_->setGeometry(okRect);
    setFixedSize(size);
}

}  // namespace orvan::gui
