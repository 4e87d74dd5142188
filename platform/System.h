#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <optional>
#include <string>

namespace orvan::platform {

// Full path of the running program's executable, of any length.
// Throws CFileException when the system cannot tell.
std::wstring GetExecutablePath();

// The user's own folder for the data of programs: $XDG_DATA_HOME, or
// ~/.local/share; on Windows the local application data folder. Never a
// shared folder: what programs keep there may be a patient's. Throws
// CFileException when the system names none.
std::wstring UserDataFolder();

// Where the program ships a file beside its executable, on a system that
// keeps no shared copy (Windows), whether or not it is there; nothing where
// the system's own is used.
std::optional<std::wstring> ShippedFile(const std::wstring& name);

// Makes standard output and error write lines as they are, ending in "\n":
// Windows would otherwise write "\r\n", and a dump or a record printed there
// would differ from the same printed on Linux.
void UseBinaryStandardStreams();
// Whether `stream` (standard output or error) is a terminal.
bool IsTerminal(std::FILE* stream);

// The calendar date and time of day of `time` in the user's time zone.
std::tm LocalTime(std::time_t time);

// Milliseconds since the system started, in 32 bits: it wraps to 0 after
// about 49.7 days, as callers of such a counter expect.
std::uint32_t GetTickCount();

}  // namespace orvan::platform
