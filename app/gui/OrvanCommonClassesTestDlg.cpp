#include "OrvanCommonClassesTestDlg.h"

#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProgressDialog>

#include "AboutDlg.h"
#include "DialogUnits.h"
#include "library/Progress.h"

namespace orvan::gui {
namespace {

QPushButton* MakeButton(QWidget* parent, const QString& text, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setGeometry(geometry);
    button->setAutoDefault(false);  // the dialog has no default button
    button->setDefault(false);
    return button;
}

}  // namespace

COrvanCommonClassesTestDlg::COrvanCommonClassesTestDlg(app::COrvanCommands& commands, QWidget* parent)
    : QDialog(parent), commands_(commands) {
    setWindowTitle(QStringLiteral("OrvanCommonClassesTest"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    setSizeGripEnabled(true);
    const QFont& dialogFont = font();
    resize(DialogRect(dialogFont, 0, 0, 271, 127).size());

    // Created in tab order.
    cancel_ = MakeButton(this, QStringLiteral("Cancel"), DialogRect(dialogFont, 214, 106, 50, 14));
    export_ = MakeButton(this, QStringLiteral("Export"), DialogRect(dialogFont, 131, 59, 50, 14));
    import_ = MakeButton(this, QStringLiteral("Import"), DialogRect(dialogFont, 60, 59, 50, 14));
    setTabOrder(cancel_, export_);
    setTabOrder(export_, import_);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(export_, &QPushButton::clicked, this, &COrvanCommonClassesTestDlg::OnBnClickedExport);
    connect(import_, &QPushButton::clicked, this, &COrvanCommonClassesTestDlg::OnBnClickedImport);

    about_ = new QAction(QStringLiteral("&About OrvanCommonClassesTest..."), this);
    about_->setShortcut(QKeySequence(Qt::Key_F1));
    about_->setShortcutContext(Qt::WindowShortcut);
    addAction(about_);
    connect(about_, &QAction::triggered, this, &COrvanCommonClassesTestDlg::ShowAboutBox);
}

void COrvanCommonClassesTestDlg::OnBnClickedExport() {
    RunWithProgress(tr("Exporting..."), [this] { commands_.OnBnClickedExport(); });
}

void COrvanCommonClassesTestDlg::OnBnClickedImport() {
    RunWithProgress(tr("Importing..."), [this] { commands_.OnBnClickedImport(); });
}

// Long commands show a progress dialog (after half a second) beside the busy
// cursor; the command's messages come as they always do.
void COrvanCommonClassesTestDlg::RunWithProgress(const QString& label, const std::function<void()>& command) {
    QProgressDialog progress(label, QString(), 0, 0, this);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    QElapsedTimer shown;
    shown.start();
    const Dorv::Orvan::Framework::Common::ProgressPort::Override listen(
        Dorv::Orvan::Framework::Common::ProgressOutput(),
        [&](const Dorv::Orvan::Framework::Common::Progress& report) {
            if (shown.elapsed() < 50) {
                return;
            }
            shown.restart();
            const bool known = report.total > 0;
            progress.setMaximum(known ? 1000 : 0);
            progress.setValue(known ? static_cast<int>(report.done * 1000 / report.total) : 0);
        });
    command();
}

void COrvanCommonClassesTestDlg::ShowAboutBox() {
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
    // With no default button, Enter still ends the dialog as OK does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void COrvanCommonClassesTestDlg::contextMenuEvent(QContextMenuEvent* event) {
    CreateContextMenu()->popup(event->globalPos());
}

}  // namespace orvan::gui
