#pragma once

#include <string>

namespace orvan::app {

// The folder of the executable at `executablePath`, ending with '/', with every
// "/Debug/" replaced by "/Release/" (exactly, case-sensitive, left to right):
// a program started from a Debug folder keeps its files in the sibling
// Release folder.
std::wstring DataDirectoryOf(const std::wstring& executablePath);

// Where an installed program keeps its files: $XDG_DATA_HOME, else
// ~/.local/share, then "OrvanCommonClassesTest/", created owner-only when missing.
std::wstring UserDataDirectory();

// The data directory of the running program: DataDirectoryOf the executable,
// or UserDataDirectory where that folder exists but is not writable.
std::wstring ProgramDataDirectory();

}  // namespace orvan::app
