#pragma once

#include <string_view>

#include "platform/Port.h"

namespace orvan::platform {

// The caption of every message box the program shows.
inline constexpr std::wstring_view kApplicationName = L"OrvanCommonClassesTest";

// Shows a plain message (OK button only, no icon) and returns when it was
// acknowledged. The headless default prints the text on standard output.
using MessageBoxPort = Port<void(std::wstring_view caption, std::wstring_view text)>;
MessageBoxPort& MessageBoxOutput();

void ShowMessageBox(std::wstring_view text);

}  // namespace orvan::platform
