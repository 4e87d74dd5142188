// The dialog application for Windows: it lives exactly as long as its modal
// main dialog.
//
// Of the desktop framework's start-up steps, the common controls remain; the
// control container, the shell manager, the settings registry key and
// restart support carry no logic here and are left out.
#include <windows.h>
#include <commctrl.h>

#include "OrvanCommonClassesTestDlg.h"
#include "app/OrvanCommands.h"
#include "platform/ProgramFacts.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    ::InitCommonControlsEx(&controls);

    orvan::app::COrvanCommands commands;
    orvan::win32::COrvanCommonClassesTestDlg dialog(instance, commands);
    if (dialog.DoModal() == -1) {
        ::MessageBoxW(nullptr, L"The dialog cannot be shown.", L"" ORVAN_NAME, MB_OK | MB_ICONERROR);
        return 1;
    }
    return 0;
}
