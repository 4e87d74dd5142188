// The dialog, driven as a user would. ctest runs these tests twice: on Qt's
// offscreen platform, and on a real X server (Xvfb, the xcb platform) with the
// fonts the machine has, where the stacking of windows is checked as well.
#include <QApplication>
#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <QWindow>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>

#include "AboutDlg.h"
#include "ApplicationSetup.h"
#include "DialogUnits.h"
#include "LargeAttachment.h"
#include "OrvanCommonClassesTestDlg.h"
#include "PlatformCapture.h"
#include "QtPorts.h"
#include "TempDir.h"
#include "platform/ProgramFacts.h"

using orvan::gui::CAboutDlg;
using orvan::gui::COrvanCommonClassesTestDlg;
using orvan::gui::DialogRect;
using orvan::gui::FitToText;

namespace {

using orvan::gui::testing::WriteLargeAttachment;


bool OnRealWindowSystem() { return QGuiApplication::platformName() == QStringLiteral("xcb"); }

// The labels, buttons and bars of `window` itself (not of its own top-level children).
QList<QWidget*> Controls(QWidget* window) {
    QList<QWidget*> controls;
    for (QWidget* child : window->findChildren<QWidget*>()) {
        if (child->window() == window &&
            (qobject_cast<QLabel*>(child) || qobject_cast<QPushButton*>(child) || qobject_cast<QProgressBar*>(child))) {
            controls.append(child);
        }
    }
    return controls;
}

QString Describe(QWidget* control) {
    QString text;
    if (auto* label = qobject_cast<QLabel*>(control)) {
        text = label->text();
    } else if (auto* button = qobject_cast<QPushButton*>(control)) {
        text = button->text();
    }
    return QStringLiteral("%1 \"%2\": %3x%4 at %5,%6, needs %7x%8")
        .arg(QString::fromLatin1(control->metaObject()->className()), text)
        .arg(control->width())
        .arg(control->height())
        .arg(control->x())
        .arg(control->y())
        .arg(control->sizeHint().width())
        .arg(control->sizeHint().height());
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        orvan::gui::SetUpApplication();
        qInfo("platform %s, font %s %g pt", qPrintable(QGuiApplication::platformName()),
              qPrintable(QFontInfo(QApplication::font()).family()), QApplication::font().pointSizeF());
        applicationFont_ = QApplication::font();
    }
    void init() {
        temp_ = std::make_unique<orvan::testing::TempDir>();
        capture_ = std::make_unique<orvan::testing::PlatformCapture>();
        commands_ = std::make_unique<orvan::app::COrvanCommands>(temp_->Wide());
        dialog_ = std::make_unique<COrvanCommonClassesTestDlg>(*commands_);
    }
    void cleanup() {
        dialog_.reset();
        commands_.reset();
        capture_.reset();
        temp_.reset();
        QApplication::setFont(applicationFont_);
    }

    void exportThenImportShowTheTwoMessagesAndWriteTheFiles() {
        QTest::mouseClick(dialog_->ExportButton(), Qt::LeftButton);
        QTest::mouseClick(dialog_->ImportButton(), Qt::LeftButton);
        QCOMPARE(capture_->Messages(), (std::vector<std::wstring>{L"file 'exportORVAN.orvan' successfully exported!",
                                                                  L"file 'exportORVAN.orvan' successfully imported!"}));
        QVERIFY(std::filesystem::exists(temp_->Path() / "exportORVAN.orvan"));
        QVERIFY(std::filesystem::exists(temp_->Path() / "temp" / "document2export.txt"));
        QCOMPARE(capture_->BusyChanges(), (std::vector<bool>{true, false, true, false}));
    }

    void importWithoutArchiveShowsNothingAndCreatesNothing() {
        QTest::mouseClick(dialog_->ImportButton(), Qt::LeftButton);
        QVERIFY(capture_->Messages().empty());
        QVERIFY(!std::filesystem::exists(temp_->Path() / "temp"));
    }

    // The resource's places and sizes are the starting point; a control only
    // ever grows, to the size its text needs.
    void layoutFollowsTheDialogResource() {
        const QFont& font = dialog_->font();
        QCOMPARE(dialog_->windowTitle(), QStringLiteral(ORVAN_NAME));
        const QSize dialogSize = DialogRect(font, orvan::facts::kDialog).size();
        QVERIFY(dialog_->width() >= dialogSize.width() && dialog_->height() >= dialogSize.height());
        QCOMPARE(dialog_->ImportButton()->geometry(), FitToText(*dialog_->ImportButton(), DialogRect(font, orvan::facts::kImportButton)));
        const QRect exportRect = DialogRect(font, orvan::facts::kExportButton);
        QCOMPARE(dialog_->ExportButton()->y(), exportRect.y());
        QVERIFY(dialog_->ExportButton()->x() >= exportRect.x());
        QCOMPARE(dialog_->ExportButton()->size(), FitToText(*dialog_->ExportButton(), exportRect).size());
        QCOMPARE(dialog_->CancelButton()->size(),
                 FitToText(*dialog_->CancelButton(), DialogRect(font, orvan::facts::kCancelButton)).size());
        // Cancel keeps its corner: 7 units from the right and the bottom edge.
        const QRect margin = DialogRect(font, 0, 0, 7, 7);
        QCOMPARE(dialog_->CancelButton()->geometry().right(), dialog_->width() - 1 - margin.width());
        QCOMPARE(dialog_->CancelButton()->geometry().bottom(), dialog_->height() - 1 - margin.height());
        QCOMPARE(dialog_->CancelButton()->nextInFocusChain(), dialog_->ExportButton());
        QCOMPARE(dialog_->ExportButton()->nextInFocusChain(), dialog_->ImportButton());
        for (QPushButton* button : {dialog_->CancelButton(), dialog_->ExportButton(), dialog_->ImportButton()}) {
            QVERIFY(!button->isDefault() && !button->autoDefault());
            QCOMPARE(button->focusPolicy(), Qt::StrongFocus);
        }
    }

    // Every label, button and bar of the dialog, the about box and the
    // progress window is at least as large as its text needs, lies inside its
    // window and overlaps no other, for DejaVu and for smaller and larger fonts.
    void layoutFitsTheFont_data() {
        QTest::addColumn<QFont>("font");
        QTest::newRow("application font") << QApplication::font();
        if (QFontDatabase::families().contains(QStringLiteral("DejaVu Sans"))) {
            QTest::newRow("DejaVu Sans 9 pt") << QFont(QStringLiteral("DejaVu Sans"), 9);
            QTest::newRow("DejaVu Sans 12 pt") << QFont(QStringLiteral("DejaVu Sans"), 12);
        }
        for (const int points : {6, 14, 20}) {
            QFont font = QApplication::font();
            font.setPointSize(points);
            QTest::addRow("application font at %d pt", points) << font;
        }
    }
    void layoutFitsTheFont() {
        QFETCH(QFont, font);
        QApplication::setFont(font);
        COrvanCommonClassesTestDlg dialog(*commands_);
        CAboutDlg about(&dialog);
        dialog.show();
        about.show();
        dialog.ProgressWindow()->Show(orvan::facts::kExporting, std::nullopt);
        dialog.ProgressWindow()->show();
        for (QWidget* window : {static_cast<QWidget*>(&dialog), static_cast<QWidget*>(&about),
                                static_cast<QWidget*>(dialog.ProgressWindow())}) {
            QVERIFY(QTest::qWaitForWindowExposed(window));
            const QList<QWidget*> controls = Controls(window);
            QVERIFY(controls.size() >= 2);
            for (QWidget* control : controls) {
                const QString what = Describe(control);
                QVERIFY2(control->width() >= control->sizeHint().width(), qPrintable(what));
                QVERIFY2(control->height() >= control->sizeHint().height(), qPrintable(what));
                QVERIFY2(window->rect().contains(control->geometry()), qPrintable(what));
                for (QWidget* other : controls) {
                    QVERIFY2(other == control || !other->geometry().intersects(control->geometry()),
                             qPrintable(what + QStringLiteral(" overlaps ") + Describe(other)));
                }
            }
        }
        // The about box is the resource's where its texts fit, and grows where they do not.
        QVERIFY(about.width() >= DialogRect(about.font(), orvan::facts::kAboutBox).width());
        const QRect nameRect = DialogRect(about.font(), orvan::facts::kAboutName);
        QCOMPARE(about.NameLabel()->y(), nameRect.y());
        QVERIFY(about.NameLabel()->x() >= nameRect.x());  // right of the icon, where a small font puts it closer
        QVERIFY(about.NameLabel()->width() >= nameRect.width());
        dialog.ProgressWindow()->hide();
    }

    void aboutBoxOpensFromTheContextMenuAndF1() {
        dialog_->show();
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));

        QString title;
        const auto closeAbout = [&title] {
            QTimer::singleShot(0, [&title] {
                QWidget* modal = QApplication::activeModalWidget();
                title = modal ? modal->windowTitle() : QString();
                if (modal) {
                    modal->close();
                }
            });
        };
        closeAbout();
        QTest::keyClick(dialog_.get(), Qt::Key_F1);
        QCOMPARE(title, QStringLiteral(ORVAN_TEXT_ABOUT_CAPTION));

        title.clear();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dialog_->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(dialog_.get(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions()[0]->text(), QStringLiteral(ORVAN_TEXT_ABOUT_MENU));
        closeAbout();
        menu->actions()[0]->trigger();
        QCOMPARE(title, QStringLiteral(ORVAN_TEXT_ABOUT_CAPTION));
        menu->close();
    }

    // Cancel, Esc and the close box cancel; Enter on the focused Cancel button
    // clicks it; Enter with no push button focused ends the dialog as OK does.
    void cancelEscapeAndEnterEndTheDialog() {
        const struct {
            const char* name;
            std::function<void(COrvanCommonClassesTestDlg&)> act;
            int result;
        } cases[] = {
            {"Cancel clicked",
             [](COrvanCommonClassesTestDlg& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); },
             QDialog::Rejected},
            {"Esc", [](COrvanCommonClassesTestDlg& d) { QTest::keyClick(d.windowHandle(), Qt::Key_Escape); },
             QDialog::Rejected},
            {"Enter on Cancel", [](COrvanCommonClassesTestDlg& d) { QTest::keyClick(d.windowHandle(), Qt::Key_Return); },
             QDialog::Rejected},
            {"Enter with no button focused",
             [](COrvanCommonClassesTestDlg& d) {
                 d.focusWidget()->clearFocus();
                 QTest::keyClick(d.windowHandle(), Qt::Key_Return);
             },
             QDialog::Accepted},
            {"close box", [](COrvanCommonClassesTestDlg& d) { d.close(); }, QDialog::Rejected},
        };
        for (const auto& c : cases) {
            COrvanCommonClassesTestDlg dialog(*commands_);
            dialog.show();
            dialog.activateWindow();
            QVERIFY2(QTest::qWaitForWindowActive(&dialog), c.name);
            QVERIFY2(dialog.CancelButton()->hasFocus(), c.name);  // the first tab stop
            dialog.setResult(-1);
            c.act(dialog);
            QVERIFY2(dialog.result() == c.result, c.name);
            QVERIFY2(!dialog.isVisible(), c.name);
        }
        QVERIFY(capture_->Messages().empty());
    }

    // Tab and Shift+Tab go round the three buttons; Enter and Space click the
    // focused one, which is Export, Import or Cancel as on the original.
    void keyboardMovesBetweenAndClicksTheButtons() {
        dialog_->show();
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
        QWindow* window = dialog_->windowHandle();
        QCOMPARE(QApplication::focusWidget(), dialog_->CancelButton());
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog_->ExportButton());
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog_->ImportButton());
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog_->CancelButton());
        QTest::keyClick(window, Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), dialog_->ImportButton());
        QTest::keyClick(window, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), dialog_->ExportButton());

        dialog_->setResult(-1);
        QTest::keyClick(window, Qt::Key_Return);  // Export
        QCOMPARE(capture_->Messages().size(), std::size_t{1});
        QTest::keyClick(window, Qt::Key_Space);  // Export again
        QCOMPARE(capture_->Messages().size(), std::size_t{2});
        QTest::keyClick(window, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), dialog_->ImportButton());
        QTest::keyClick(window, Qt::Key_Enter, Qt::KeypadModifier);  // Import
        QTest::keyClick(window, Qt::Key_Space);                      // Import again
        QCOMPARE(capture_->Messages(), (std::vector<std::wstring>{L"file 'exportORVAN.orvan' successfully exported!",
                                                                  L"file 'exportORVAN.orvan' successfully exported!",
                                                                  L"file 'exportORVAN.orvan' successfully imported!",
                                                                  L"file 'exportORVAN.orvan' successfully imported!"}));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), -1);
        QTest::keyClick(window, Qt::Key_Tab);
        QTest::keyClick(window, Qt::Key_Space);  // Cancel
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(dialog_->result(), int{QDialog::Rejected});
    }

    // While a long Export runs, with its progress window shown, every click and
    // key on the dialog and the progress window is refused, and none of them
    // acts after the command either: exactly one message, no import, the dialog
    // still open, no about box, the focus where it was.
    void inputDuringACommandIsRefused() {
        WriteLargeAttachment(temp_->Path() / "document2export.txt", 24);
        ShowDialogWithoutProgressDelay();
        dialog_->setResult(-1);
        orvan::gui::CProgressWnd* progress = dialog_->ProgressWindow();

        dialog_->CancelButton()->setFocus();
        QWidget* const focusBefore = dialog_->focusWidget();
        bool injected = false;
        bool progressShown = false;
        const auto inject = [&] {
            injected = dialog_->IsCommandRunning();
            progressShown = progress->isVisible();
            QWindow* window = dialog_->windowHandle();
            for (QPushButton* button : {dialog_->ImportButton(), dialog_->ExportButton(), dialog_->CancelButton()}) {
                QTest::mouseClick(button, Qt::LeftButton);  // straight to the button
                QTest::mouseClick(window, Qt::LeftButton, {}, button->geometry().center());  // through the window
                QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5),
                                                                    button->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                                                                    Qt::LeftButton, Qt::NoModifier));
                QCoreApplication::postEvent(button, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5),
                                                                    button->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                                                                    Qt::NoButton, Qt::NoModifier));
            }
            for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Space, Qt::Key_F1, Qt::Key_Escape}) {
                QTest::keyClick(window, key);
                QTest::keyClick(dialog_.get(), key);
                QCoreApplication::postEvent(focusBefore, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
                QCoreApplication::postEvent(focusBefore, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
            }
            if (progress->windowHandle() != nullptr) {
                QTest::keyClick(progress->windowHandle(), Qt::Key_Escape);
            }
            QTest::keyClick(progress, Qt::Key_Escape);
            progress->close();
            dialog_->close();
            QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), dialog_->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(dialog_.get(), &menu);
        };
        QTimer::singleShot(0, inject);
        dialog_->ExportButton()->click();  // leaves the focus on Cancel
        QVERIFY(injected);
        QVERIFY(progressShown);
        QVERIFY(!dialog_->IsCommandRunning());
        QTest::qWait(100);  // anything queued would act now

        QCOMPARE(capture_->Messages(), (std::vector<std::wstring>{L"file 'exportORVAN.orvan' successfully exported!"}));
        QCOMPARE(capture_->BusyChanges(), (std::vector<bool>{true, false}));
        QVERIFY(!std::filesystem::exists(temp_->Path() / "temp"));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), -1);
        QVERIFY(!progress->isVisible());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
        QCOMPARE(dialog_->focusWidget(), focusBefore);

        // After the command the dialog takes input again.
        QTest::mouseClick(dialog_->ImportButton(), Qt::LeftButton);
        QCOMPARE(capture_->Messages().size(), std::size_t{2});
    }

    // Input that comes while a command's message box is open, after its
    // progress window was never shown (a short command), is refused too.
    void inputWhileTheMessageShowsIsRefused() {
        dialog_->show();
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
        dialog_->setResult(-1);
        std::vector<std::wstring> shown;
        const orvan::platform::MessageBoxPort::Override post(
            orvan::platform::MessageBoxOutput(),
            [&](std::wstring_view, std::wstring_view text, orvan::platform::MessageKind) {
                shown.emplace_back(text);
                QPushButton* import = dialog_->ImportButton();
                QCoreApplication::postEvent(import, new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5),
                                                                    import->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                                                                    Qt::LeftButton, Qt::NoModifier));
                QCoreApplication::postEvent(import, new QMouseEvent(QEvent::MouseButtonRelease, QPointF(5, 5),
                                                                    import->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                                                                    Qt::NoButton, Qt::NoModifier));
                QCoreApplication::postEvent(dialog_->CancelButton(),
                                            new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
                QCoreApplication::postEvent(dialog_->CancelButton(),
                                            new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier));
            });
        QTest::mouseClick(dialog_->ExportButton(), Qt::LeftButton);
        QTest::qWait(100);
        QCOMPARE(shown, (std::vector<std::wstring>{L"file 'exportORVAN.orvan' successfully exported!"}));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->result(), -1);
    }

    // A long Export and then a long Import show the progress window; when the
    // command's message box opens, the progress window is gone, the message
    // box is on top (on a real X server: the window under its OK button is the
    // message box's), stays so, and its OK button takes the click that closes it.
    void progressNeverCoversTheMessageBox() {
        WriteLargeAttachment(temp_->Path() / "document2export.txt", 24);
        ShowDialogWithoutProgressDelay();
        orvan::gui::CProgressWnd* progress = dialog_->ProgressWindow();

        // Runs whenever the command lets the event loop paint its progress window.
        bool progressShown = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (!progressShown && progress->isVisible()) {
                progressShown = QTest::qWaitForWindowExposed(progress);  // however fast the disk is
            }
        });
        watch.start(0);
        std::vector<std::wstring> shown;
        QStringList problems;
        const auto checkOnTop = [&](QMessageBox* box, const char* when) {
            if (box == nullptr || !box->isVisible()) {
                problems << QStringLiteral("%1: no message box").arg(QLatin1String(when));
                return;
            }
            if (progress->isVisible()) {
                problems << QStringLiteral("%1: the progress window shows").arg(QLatin1String(when));
            }
            if (OnRealWindowSystem()) {
                QAbstractButton* ok = box->button(QMessageBox::Ok);
                QWidget* under = QApplication::widgetAt(ok->mapToGlobal(ok->rect().center()));
                if (under == nullptr || under->window() != box) {
                    problems << QStringLiteral("%1: the window under OK is %2")
                                    .arg(QLatin1String(when),
                                         under ? under->window()->windowTitle() + QStringLiteral(" / ") +
                                                     QString::fromLatin1(under->metaObject()->className())
                                               : QStringLiteral("none"));
                }
            }
        };
        const orvan::platform::MessageBoxPort::Override real(
            orvan::platform::MessageBoxOutput(),
            [&](std::wstring_view caption, std::wstring_view text, orvan::platform::MessageKind) {
                shown.emplace_back(text);
                QTimer::singleShot(0, [&] {
                    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                    if (box == nullptr || !QTest::qWaitForWindowExposed(box)) {
                        problems << QStringLiteral("the message box did not show");
                        return;
                    }
                    checkOnTop(box, "at once");
                    QTest::qWait(1000);  // the old progress dialog came up over the box after a while
                    checkOnTop(box, "a second later");
                    QAbstractButton* ok = box->button(QMessageBox::Ok);
                    QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {}, ok->mapTo(box, ok->rect().center()));
                    if (box->isVisible()) {
                        problems << QStringLiteral("a click on OK did not close the message box");
                        box->done(QMessageBox::Ok);
                    }
                });
                orvan::gui::ShowQtMessageBox(dialog_.get(), caption, text);
            });

        QTest::mouseClick(dialog_->ExportButton(), Qt::LeftButton);
        QVERIFY(progressShown);
        progressShown = false;
        QTest::mouseClick(dialog_->ImportButton(), Qt::LeftButton);
        QVERIFY(progressShown);
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
        QCOMPARE(shown, (std::vector<std::wstring>{L"file 'exportORVAN.orvan' successfully exported!",
                                                   L"file 'exportORVAN.orvan' successfully imported!"}));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(!progress->isVisible());
        QVERIFY(dialog_->isVisible());
        QCOMPARE(std::filesystem::file_size(temp_->Path() / "temp" / "document2export.txt"), std::uintmax_t{24} << 20);
    }

    // The progress window offers no way to close it that pretends to cancel.
    void theProgressWindowCannotBeClosed() {
        orvan::gui::CProgressWnd* progress = dialog_->ProgressWindow();
        QVERIFY(!(progress->windowFlags() & Qt::WindowCloseButtonHint));
        progress->Show(orvan::facts::kExporting, std::nullopt);
        progress->show();
        QVERIFY(QTest::qWaitForWindowExposed(progress));
        QTest::keyClick(progress, Qt::Key_Escape);
        QVERIFY(progress->isVisible());
        QVERIFY(!progress->close());
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->findChildren<QPushButton*>().size(), 0);
        progress->hide();
    }

private:
    // Progress reports show the progress window from the command's first on.
    void ShowDialogWithoutProgressDelay() {
        dialog_ = std::make_unique<COrvanCommonClassesTestDlg>(*commands_, nullptr, std::chrono::milliseconds(0));
        dialog_->show();
        dialog_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(dialog_.get()));
    }

    QFont applicationFont_;
    std::unique_ptr<orvan::testing::TempDir> temp_;
    std::unique_ptr<orvan::testing::PlatformCapture> capture_;
    std::unique_ptr<orvan::app::COrvanCommands> commands_;
    std::unique_ptr<COrvanCommonClassesTestDlg> dialog_;
};

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
