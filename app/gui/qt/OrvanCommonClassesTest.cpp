// The dialog application: it lives exactly as long as its modal main dialog.
//
// The desktop framework's start-up steps that carry no logic here (common
// controls, the control container, the shell manager, the settings registry
// key and restart support) have no counterpart on this platform and are left out.
#include <QApplication>

#include "ApplicationSetup.h"
#include "OrvanCommonClassesTestDlg.h"
#include "QtPorts.h"
#include "app/OrvanCommands.h"
#include "platform/Memory.h"

int main(int argc, char** argv) {
    orvan::platform::ReturnLargeFreedBlocks();
    QApplication application(argc, argv);
    orvan::gui::SetUpApplication();

    orvan::app::COrvanCommands commands;
    orvan::gui::COrvanCommonClassesTestDlg dialog(commands);
    orvan::gui::InstallQtPorts(&dialog);
    dialog.exec();
    return 0;
}
