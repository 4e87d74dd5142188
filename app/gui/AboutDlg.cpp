#include "AboutDlg.h"

#include <QLabel>
#include <QPushButton>

#include "DialogUnits.h"

namespace orvan::gui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About OrvanCommonClassesTest"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const QFont& dialogFont = font();
    setFixedSize(DialogRect(dialogFont, 0, 0, 170, 62).size());

    auto* icon = new QLabel(this);
    icon->setPixmap(windowIcon().pixmap(32, 32));
    icon->move(DialogRect(dialogFont, 14, 14, 0, 0).topLeft());
    auto* name = new QLabel(QStringLiteral("OrvanCommonClassesTest, Version 1.0"), this);
    name->setTextFormat(Qt::PlainText);
    name->setGeometry(DialogRect(dialogFont, 42, 14, 114, 8));
    auto* rights = new QLabel(QStringLiteral("Copyright (C) 2011 the OrvanCommonClassesTest developers"), this);
    rights->setTextFormat(Qt::PlainText);
    rights->setGeometry(DialogRect(dialogFont, 42, 26, 114, 8));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setGeometry(DialogRect(dialogFont, 113, 41, 50, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace orvan::gui
