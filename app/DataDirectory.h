#pragma once

#include <string>

namespace orvan::app {

// The folder of the executable at `executablePath`, ending with '/', with every
// "/Debug/" replaced by "/Release/" (exactly, case-sensitive, left to right):
// a program started from a Debug folder keeps its files in the sibling
// Release folder.
std::wstring DataDirectoryOf(const std::wstring& executablePath);

// Creates the folder at `path` and every missing folder above it, readable by
// their owner only; whether a folder is there now.
bool CreateFolders(const std::wstring& path);

// Where an installed program keeps its files: platform::UserDataFolder() followed by
// "OrvanCommonClassesTest/", created owner-only when missing.
std::wstring UserDataDirectory();

// Whether the program may keep its files in `folder`, the folder of its
// executable: not below `installPrefix` (an installed program never writes
// beside itself, whoever runs it), owned by the user and writable, or not
// there yet.
bool IsProgramsOwnFolder(const std::wstring& folder, const std::wstring& installPrefix);

// DataDirectoryOf the executable when IsProgramsOwnFolder, made owner-only when
// missing, else (or when it cannot be made) UserDataDirectory.
std::wstring DataDirectoryFor(const std::wstring& executablePath, const std::wstring& installPrefix);

// DataDirectoryFor the running program and the prefix it was built to be installed in.
std::wstring ProgramDataDirectory();

}  // namespace orvan::app
