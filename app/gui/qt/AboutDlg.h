#pragma once

#include <QDialog>
#include <QLabel>
#include <QPushButton>

namespace orvan::gui {

// "About OrvanCommonClassesTest": the icon, the name and version, a rights
// line and "OK", placed by the resource's dialog units and grown where the
// font needs more room than they give.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

    QLabel* NameLabel() const { return name_; }
    QLabel* RightsLabel() const { return rights_; }
    QPushButton* OkButton() const { return ok_; }

private:
    QLabel* name_;
    QLabel* rights_;
    QPushButton* ok_;
};

}  // namespace orvan::gui
