#pragma once

#include <optional>
#include <string>
#include <string_view>

// How this system's file system tells file names (single path components)
// apart, and which names it lets a file have. Callers never ask which system
// they run on: they compare names by their keys and create files under
// usable names.
namespace orvan::platform {

// Two names in one folder name one file exactly when their keys are equal.
// POSIX systems: the name itself, byte for byte. Windows: WindowsFileNameKey.
std::wstring FileNameKey(std::wstring_view name);
inline bool SameFileName(std::wstring_view a, std::wstring_view b) { return FileNameKey(a) == FileNameKey(b); }

// The name under which a file meant to be called `name` is created as a plain
// file of its own: POSIX systems take every name as it is; Windows:
// WindowsFileName. Empty when no usable name is left.
std::wstring UsableFileName(std::wstring_view name);

// How the last component of `path` names a device wherever the path points
// (Windows: NUL, CON, COM1, ...; POSIX systems name devices by their paths
// only): not at all, by the device's own name ("NUL", "\\.\NUL"), or by a
// name that only begins with one ("nul.json", "CON .txt", "COM1:x"), which
// nobody means.
enum class DeviceName { None, Own, Stem };
DeviceName NamedDevice(std::wstring_view path);

// The name the file or folder at `path` has in its folder, as a listing of the
// folder shows it; nothing when there is none. On Windows it may differ from
// the last component of `path`: in letter case, in trailing dots and spaces,
// or as the long name of a short 8.3 alias ("REPORT~1.TXT").
std::optional<std::wstring> NameInFolder(const std::wstring& path);

// `path` in the form the standard library takes: on Windows without the
// prefixes only the system's own calls understand ("\\?\C:\x" and
// "\\.\C:\x" are "C:\x", "\\?\UNC\server\share" is "\\server\share"),
// which those calls get again where a path needs them; elsewhere as it is.
std::wstring PlainPath(std::wstring_view path);

// Windows' rules, as text functions alike on every system, so that the tests
// of each system check them.
//
// The key: trailing dots and spaces dropped (Windows drops them), then every
// character by its case class (CaseFolding.h).
std::wstring WindowsFileNameKey(std::wstring_view name);
// Empty for a device's name (IsWindowsDeviceName); otherwise every character
// that Windows forbids in a name ('<', '>', ':', '"', '|', '?', '*', controls)
// as '_', and the trailing dots and spaces dropped; empty when nothing is left.
std::wstring WindowsFileName(std::wstring_view name);
// Whether Windows takes `name` for a device wherever it stands: CON, PRN, AUX,
// NUL, COM0 to COM9, COM¹ to COM³, LPT likewise, CONIN$, CONOUT$, in any letter
// case, alone or followed by spaces, a '.' or a ':' and anything.
bool IsWindowsDeviceName(std::wstring_view name);

}  // namespace orvan::platform
