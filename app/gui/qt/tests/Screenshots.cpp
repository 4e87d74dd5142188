// Takes the README's screenshots from the X server it runs on, as the screen
// shows them: the main dialog, the about box, and the progress window over the
// dialog during a long Export. scripts/screenshots.sh runs it under Xvfb; a
// grey line marks the edge of each window, which has no frame there.
//
// Usage: orvan_gui_screenshots OUTPUT_FOLDER
// Writes dialog.png, about.png and progress.png; exits 1 when a window did not
// show (whether texts fit, DialogTest checks).
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "AboutDlg.h"
#include "LargeAttachment.h"
#include "ApplicationSetup.h"
#include "OrvanCommonClassesTestDlg.h"
#include "TempDir.h"
#include "platform/MessageBox.h"

namespace {

using orvan::gui::testing::WriteLargeAttachment;

QString outputFolder;
bool failed = false;

void Fail(const QString& what) {
    std::fprintf(stderr, "screenshots: %s\n", qPrintable(what));
    failed = true;
}

// The screen's pixels in the area of `windows` (their union), as the X server has them.
void Grab(const QList<QWidget*>& windows, const QString& name) {
    QRect area;
    for (QWidget* window : windows) {
        if (!QTest::qWaitForWindowExposed(window)) {
            Fail(QStringLiteral("%1: \"%2\" did not show").arg(name, window->windowTitle()));
            return;
        }
        area |= window->frameGeometry();
    }
    QTest::qWait(200);  // everything painted
    QImage shot =
        windows.first()->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    if (!shot.isNull()) {
        // Xvfb runs no window manager, so windows have no frame: a grey line marks each window's edge.
        QPainter painter(&shot);
        painter.setPen(QColor(0x80, 0x80, 0x80));
        for (QWidget* window : windows) {
            painter.drawRect(window->frameGeometry().translated(-area.topLeft()).adjusted(0, 0, -1, -1));
        }
    }
    const QString path = QDir(outputFolder).filePath(name);
    if (shot.isNull() || !shot.save(path)) {
        Fail(QStringLiteral("%1 could not be written").arg(path));
        return;
    }
    std::printf("%s: %dx%d\n", qPrintable(path), shot.width(), shot.height());
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    orvan::gui::SetUpApplication();
    if (argc != 2) {
        std::fprintf(stderr, "usage: orvan_gui_screenshots OUTPUT_FOLDER\n");
        return 2;
    }
    outputFolder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outputFolder);

    const orvan::testing::TempDir data;
    WriteLargeAttachment(data.Path() / "document2export.txt", 64);
    orvan::app::COrvanCommands commands(data.Wide());
    // The window from the Export's first report on, rather than after half a
    // second, so that the picture does not depend on how fast the disk is.
    orvan::gui::COrvanCommonClassesTestDlg dialog(commands, nullptr, std::chrono::milliseconds(0));
    dialog.show();
    dialog.activateWindow();
    Grab({&dialog}, QStringLiteral("dialog.png"));

    {
        orvan::gui::CAboutDlg about(&dialog);
        about.show();
        Grab({&about}, QStringLiteral("about.png"));
    }

    // The progress window, once the bar of the save has come a third of the
    // way; the success message is acknowledged at once.
    // The timer runs whenever the command lets the event loop paint its progress window.
    bool grabbed = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        orvan::gui::CProgressWnd* progress = dialog.ProgressWindow();
        if (!grabbed && progress->isVisible() && progress->Bar()->maximum() > 0 &&
            progress->Bar()->value() * 3 >= progress->Bar()->maximum()) {
            grabbed = true;
            Grab({&dialog, progress}, QStringLiteral("progress.png"));
        }
    });
    watch.start(0);
    const orvan::platform::MessageBoxPort::Override acknowledge(
        orvan::platform::MessageBoxOutput(), [](std::wstring_view, std::wstring_view text, orvan::platform::MessageKind) {
            std::printf("message: %s\n", QString::fromWCharArray(text.data(), static_cast<int>(text.size())).toUtf8().constData());
        });
    dialog.ExportButton()->click();
    if (!grabbed) {
        Fail(QStringLiteral("the Export was over before its progress window showed"));
    }
    return failed ? 1 : 0;
}
