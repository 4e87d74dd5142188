#pragma once

namespace orvan::gui {

// The application's name, version, desktop entry and window icon (from the
// ":/icons" resources of OrvanCommonClassesTest.qrc, which the executable
// compiles in). Call once the QApplication exists.
void SetUpApplication();

}  // namespace orvan::gui
