// The dialog, driven as a user would. ctest runs these tests twice: on Qt's
// offscreen platform, and on a real X server (Xvfb, the xcb platform) with the
// fonts the machine has, where the stacking of windows is checked as well.
#include <QApplication>
#include <QContextMenuEvent>
#include <QDebug>
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
using Messages = std::vector<std::wstring>;
const std::wstring kExported = L"file 'exportORVAN.orvan' successfully exported!";
const std::wstring kImported = L"file 'exportORVAN.orvan' successfully imported!";

bool ShowActive(QWidget* window) {
    window->show();
    window->activateWindow();
    return QTest::qWaitForWindowActive(window);
}

// A click and a key as the window system delivers them: queued for `target`.
void PostClick(QWidget* target) {
    const QPointF at(5, 5);
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonPress, at, target->mapToGlobal(at),
                                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QMouseEvent(QEvent::MouseButtonRelease, at, target->mapToGlobal(at),
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}
void PostKey(QWidget* target, Qt::Key key) {
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key, Qt::NoModifier));
}

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
    QDebug(&text) << control->metaObject()->className() << control->property("text").toString()
                  << control->geometry() << "needs" << control->sizeHint();
    return text;
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
        for (QPushButton* button : {dialog_->CancelButton(), dialog_->ExportButton(), dialog_->ImportButton()}) {
            QVERIFY(!button->isDefault() && !button->autoDefault());  // drawn as no default button
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
                QVERIFY2(control->width() >= control->sizeHint().width() && control->height() >= control->sizeHint().height(),
                         qPrintable(what));
                QVERIFY2(window->rect().contains(control->geometry()), qPrintable(what));
                for (QWidget* other : controls) {
                    QVERIFY2(other == control || !other->geometry().intersects(control->geometry()),
                             qPrintable(what + QStringLiteral(" overlaps ") + Describe(other)));
                }
            }
        }
        // The progress window offers no way to close it that pretends to cancel.
        orvan::gui::CProgressWnd* progress = dialog.ProgressWindow();
        QVERIFY(!(progress->windowFlags() & Qt::WindowCloseButtonHint) && progress->findChildren<QPushButton*>().isEmpty());
        QTest::keyClick(progress, Qt::Key_Escape);
        QVERIFY(!progress->close() && progress->isVisible());
        // The about box is the resource's where its texts fit, and grows where they do not.
        QVERIFY(about.width() >= DialogRect(about.font(), orvan::facts::kAboutBox).width());
        const QRect nameRect = DialogRect(about.font(), orvan::facts::kAboutName);
        QCOMPARE(about.NameLabel()->y(), nameRect.y());
        QVERIFY(about.NameLabel()->x() >= nameRect.x());  // right of the icon, where a small font puts it closer
        QVERIFY(about.NameLabel()->width() >= nameRect.width());
        progress->hide();
    }

    // F1 opens the about box; the context menu's one entry is the same command.
    void aboutBoxOpensFromTheContextMenuAndF1() {
        QVERIFY(ShowActive(dialog_.get()));
        QString title;
        QTimer::singleShot(0, [&title] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                title = modal->windowTitle();
                modal->close();
            }
        });
        QTest::keyClick(dialog_.get(), Qt::Key_F1);
        QCOMPARE(title, QStringLiteral(ORVAN_TEXT_ABOUT_CAPTION));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dialog_->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(dialog_.get(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->actions(), QList<QAction*>{dialog_->AboutAction()});
        QCOMPARE(menu->actions()[0]->text(), QStringLiteral(ORVAN_TEXT_ABOUT_MENU));
        menu->close();
    }

    // Cancel, Esc and the close box cancel; Enter on the focused Cancel button
    // (the first tab stop) clicks it; Enter with no push button focused ends
    // the dialog as OK does.
    void cancelEscapeAndEnterEndTheDialog() {
        using Act = std::function<void(COrvanCommonClassesTestDlg&)>;
        const auto key = [](Qt::Key pressed) -> Act { return [pressed](auto& d) { QTest::keyClick(d.windowHandle(), pressed); }; };
        const struct {
            const char* name;
            Act act;
            int result;
        } cases[] = {
            {"Cancel clicked", [](auto& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); }, QDialog::Rejected},
            {"Esc", key(Qt::Key_Escape), QDialog::Rejected},
            {"Enter on Cancel", key(Qt::Key_Return), QDialog::Rejected},
            {"Enter, no button focused", [&](auto& d) { d.focusWidget()->clearFocus(); key(Qt::Key_Return)(d); }, QDialog::Accepted},
            {"close box", [](auto& d) { d.close(); }, QDialog::Rejected},
        };
        for (const auto& c : cases) {
            COrvanCommonClassesTestDlg dialog(*commands_);
            QVERIFY2(ShowActive(&dialog), c.name);
            QVERIFY2(dialog.CancelButton()->hasFocus(), c.name);
            dialog.setResult(-1);
            c.act(dialog);
            QVERIFY2(dialog.result() == c.result, c.name);
            QVERIFY2(!dialog.isVisible(), c.name);
        }
        QVERIFY(capture_->Messages().empty());
    }

    // Tab and Shift+Tab go round the three buttons; Enter and Space click the
    // focused one, which is Export, Import or Cancel.
    void keyboardMovesBetweenAndClicksTheButtons() {
        QVERIFY(ShowActive(dialog_.get()));
        QPushButton* const cancel = dialog_->CancelButton();
        QPushButton* const exporting = dialog_->ExportButton();
        QPushButton* const importing = dialog_->ImportButton();
        dialog_->setResult(-1);
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers modifiers;
            QPushButton* focus;  // after the key
            std::size_t messages;
        } steps[] = {
            {Qt::Key_Tab, {}, exporting, 0},      {Qt::Key_Tab, {}, importing, 0},
            {Qt::Key_Tab, {}, cancel, 0},         {Qt::Key_Tab, Qt::ShiftModifier, importing, 0},
            {Qt::Key_Backtab, Qt::ShiftModifier, exporting, 0},
            {Qt::Key_Return, {}, exporting, 1},   {Qt::Key_Space, {}, exporting, 2},
            {Qt::Key_Tab, {}, importing, 2},      {Qt::Key_Enter, Qt::KeypadModifier, importing, 3},
            {Qt::Key_Space, {}, importing, 4},    {Qt::Key_Tab, {}, cancel, 4},
        };
        for (const auto& step : steps) {
            QTest::keyClick(dialog_->windowHandle(), step.key, step.modifiers);
            QCOMPARE(QApplication::focusWidget(), step.focus);
            QCOMPARE(capture_->Messages().size(), step.messages);
            QCOMPARE(dialog_->result(), -1);
        }
        QCOMPARE(capture_->Messages(), (Messages{kExported, kExported, kImported, kImported}));
        QTest::keyClick(dialog_->windowHandle(), Qt::Key_Space);  // Cancel
        QVERIFY(!dialog_->isVisible());
        QCOMPARE(dialog_->result(), int{QDialog::Rejected});
    }

    // While a long Export runs, with its progress window shown, and while its
    // message box is open, every click and key on the dialog and the progress
    // window is refused, and none of them acts after the command either:
    // exactly one message, no import, the dialog still open, no about box, the
    // focus where it was, the progress window shown until the message.
    void inputDuringACommandIsRefused() {
        PrepareALongCommand();
        dialog_->setResult(-1);
        orvan::gui::CProgressWnd* progress = dialog_->ProgressWindow();
        dialog_->CancelButton()->setFocus();
        QWidget* const focusBefore = dialog_->focusWidget();
        bool injected = false;
        bool progressStayed = false;
        const auto inject = [&] {
            injected = dialog_->IsCommandRunning() && progress->isVisible();
            QWindow* window = dialog_->windowHandle();
            for (QPushButton* button : {dialog_->ImportButton(), dialog_->ExportButton(), dialog_->CancelButton()}) {
                QTest::mouseClick(button, Qt::LeftButton);  // straight to the button
                QTest::mouseClick(window, Qt::LeftButton, {}, button->geometry().center());  // through the window
                PostClick(button);
            }
            for (const Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Space, Qt::Key_F1, Qt::Key_Escape}) {
                QTest::keyClick(window, key);
                QTest::keyClick(dialog_.get(), key);
                PostKey(focusBefore, key);
            }
            if (progress->windowHandle() != nullptr) {
                QTest::keyClick(progress->windowHandle(), Qt::Key_Escape);
            }
            QTest::keyClick(progress, Qt::Key_Escape);
            progressStayed = !progress->close() && progress->isVisible();
            dialog_->close();
            QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), dialog_->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(dialog_.get(), &menu);
        };
        Messages shown;
        const orvan::platform::MessageBoxPort::Override post(
            orvan::platform::MessageBoxOutput(), [&](std::wstring_view, std::wstring_view text, orvan::platform::MessageKind) {
                shown.emplace_back(text);
                PostClick(dialog_->ImportButton());
                PostKey(dialog_->CancelButton(), Qt::Key_Space);
            });
        QTimer::singleShot(0, inject);
        dialog_->ExportButton()->click();  // leaves the focus on Cancel
        QVERIFY(injected);
        QVERIFY(progressStayed);
        QVERIFY(!dialog_->IsCommandRunning());
        QTest::qWait(100);  // anything queued would act now

        QCOMPARE(shown, (Messages{kExported}));
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
        QCOMPARE(shown.size(), std::size_t{2});
    }

    // A long Export and then a long Import show the progress window; when the
    // command's message box opens, the progress window is gone, the message
    // box is on top (on a real X server: the window under its OK button is the
    // message box's), stays so, and its OK button takes the click that closes it.
    void progressNeverCoversTheMessageBox() {
        PrepareALongCommand();
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
        Messages shown;
        QStringList problems;
        const auto checkOnTop = [&](QMessageBox* box, const QString& when) {
            if (!box->isVisible()) {
                problems << when + QStringLiteral(": no message box");
                return;
            }
            if (progress->isVisible()) {
                problems << when + QStringLiteral(": the progress window shows");
            }
            QAbstractButton* ok = box->button(QMessageBox::Ok);
            QWidget* under = QApplication::widgetAt(ok->mapToGlobal(ok->rect().center()));
            const bool onRealWindowSystem = QGuiApplication::platformName() == QStringLiteral("xcb");
            if (onRealWindowSystem && (under == nullptr || under->window() != box)) {
                problems << when + QStringLiteral(": the window under OK is ") +
                                (under ? under->window()->windowTitle() : QStringLiteral("none"));
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
                    checkOnTop(box, QStringLiteral("at once"));
                    QTest::qWait(1000);  // the old progress dialog came up over the box after a while
                    checkOnTop(box, QStringLiteral("a second later"));
                    QAbstractButton* ok = box->button(QMessageBox::Ok);
                    QTest::mouseClick(box->windowHandle(), Qt::LeftButton, {}, ok->mapTo(box, ok->rect().center()));
                    if (box->isVisible()) {
                        problems << QStringLiteral("a click on OK did not close the message box");
                        box->done(QMessageBox::Ok);
                    }
                });
                orvan::gui::ShowQtMessageBox(dialog_.get(), caption, text);
            });

        for (QPushButton* button : {dialog_->ExportButton(), dialog_->ImportButton()}) {
            progressShown = false;
            QTest::mouseClick(button, Qt::LeftButton);
            QVERIFY(progressShown);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QStringLiteral("; "))));
        QCOMPARE(shown, (Messages{kExported, kImported}));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(!progress->isVisible());
        QVERIFY(dialog_->isVisible());
        QCOMPARE(std::filesystem::file_size(temp_->Path() / "temp" / "document2export.txt"), std::uintmax_t{24} << 20);
    }

private:
    // Exports and imports that take long, and a dialog whose progress window
    // shows from their first report on.
    void PrepareALongCommand() {
        WriteLargeAttachment(temp_->Path() / "document2export.txt", 24);
        dialog_ = std::make_unique<COrvanCommonClassesTestDlg>(*commands_, nullptr, std::chrono::milliseconds(0));
        QVERIFY(ShowActive(dialog_.get()));
    }

    QFont applicationFont_;
    std::unique_ptr<orvan::testing::TempDir> temp_;
    std::unique_ptr<orvan::testing::PlatformCapture> capture_;
    std::unique_ptr<orvan::app::COrvanCommands> commands_;
    std::unique_ptr<COrvanCommonClassesTestDlg> dialog_;
};

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
