#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "DialogUnits.h"
#include "OrvanCommonClassesTestDlg.h"
#include "PlatformCapture.h"
#include "TempDir.h"

using orvan::gui::COrvanCommonClassesTestDlg;
using orvan::gui::DialogRect;

class DialogTest : public QObject {
    Q_OBJECT

private slots:
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

    void layoutFollowsTheDialogResource() {
        const QFont& font = dialog_->font();
        QCOMPARE(dialog_->windowTitle(), QStringLiteral("OrvanCommonClassesTest"));
        QCOMPARE(dialog_->size(), DialogRect(font, 0, 0, 271, 127).size());
        QCOMPARE(dialog_->CancelButton()->geometry(), DialogRect(font, 214, 106, 50, 14));
        QCOMPARE(dialog_->ExportButton()->geometry(), DialogRect(font, 131, 59, 50, 14));
        QCOMPARE(dialog_->ImportButton()->geometry(), DialogRect(font, 60, 59, 50, 14));
        QCOMPARE(dialog_->CancelButton()->nextInFocusChain(), dialog_->ExportButton());
        QCOMPARE(dialog_->ExportButton()->nextInFocusChain(), dialog_->ImportButton());
        for (QPushButton* button : {dialog_->CancelButton(), dialog_->ExportButton(), dialog_->ImportButton()}) {
            QVERIFY(!button->isDefault() && !button->autoDefault());
        }
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
        QCOMPARE(title, QStringLiteral("About OrvanCommonClassesTest"));

        title.clear();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dialog_->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(dialog_.get(), &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu != nullptr);
        QCOMPARE(menu->actions().size(), 1);
        QCOMPARE(menu->actions()[0]->text(), QStringLiteral("&About OrvanCommonClassesTest..."));
        closeAbout();
        menu->actions()[0]->trigger();
        QCOMPARE(title, QStringLiteral("About OrvanCommonClassesTest"));
        menu->close();
    }

    void cancelEscapeAndEnterEndTheDialog() {
        const struct {
            std::function<void(COrvanCommonClassesTestDlg&)> act;
            int result;
        } cases[] = {
            {[](COrvanCommonClassesTestDlg& d) { QTest::mouseClick(d.CancelButton(), Qt::LeftButton); },
             QDialog::Rejected},
            {[](COrvanCommonClassesTestDlg& d) { QTest::keyClick(&d, Qt::Key_Escape); }, QDialog::Rejected},
            {[](COrvanCommonClassesTestDlg& d) { QTest::keyClick(&d, Qt::Key_Return); }, QDialog::Accepted},
            {[](COrvanCommonClassesTestDlg& d) { d.close(); }, QDialog::Rejected},
        };
        for (const auto& c : cases) {
            COrvanCommonClassesTestDlg dialog(*commands_);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            dialog.setResult(-1);
            c.act(dialog);
            QCOMPARE(dialog.result(), c.result);
            QVERIFY(!dialog.isVisible());
        }
    }

private:
    std::unique_ptr<orvan::testing::TempDir> temp_;
    std::unique_ptr<orvan::testing::PlatformCapture> capture_;
    std::unique_ptr<orvan::app::COrvanCommands> commands_;
    std::unique_ptr<COrvanCommonClassesTestDlg> dialog_;
};

QTEST_MAIN(DialogTest)
#include "DialogTest.moc"
