#pragma once

#include <QDialog>

namespace orvan::gui {

// "About OrvanCommonClassesTest": the icon, the name and version, a rights
// line and "OK".
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace orvan::gui
