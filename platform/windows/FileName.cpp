#include "platform/FileName.h"

#include <windows.h>

#include "platform/FileSystem.h"
#include "platform/windows/Win32.h"

namespace orvan::platform {

std::wstring FileNameKey(std::wstring_view name) { return WindowsFileNameKey(name); }

std::wstring UsableFileName(std::wstring_view name) { return WindowsFileName(name); }

DeviceName NamedDevice(std::wstring_view path) {
    const std::wstring_view name = path.substr(path.find_last_of(kPathSeparators) + 1);
    if (!IsWindowsDeviceName(name)) {
        return DeviceName::None;
    }
    // A device's own name is all stem.
    return name.find_first_of(L" .:") == std::wstring_view::npos ? DeviceName::Own : DeviceName::Stem;
}

std::wstring PlainPath(std::wstring_view path) {
    if (path.starts_with(L"\\\\?\\UNC\\")) {
        return L"\\\\" + std::wstring(path.substr(8));
    }
    // A drive's path only: "\\.\NUL" stays a device's.
    const bool prefixed = path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\");
    return std::wstring(prefixed && path.size() > 5 && path[5] == L':' ? path.substr(4) : path);
}

std::optional<std::wstring> NameInFolder(const std::wstring& path) {
    // A search for the name itself, which the folder answers with the name it
    // keeps; a name with wildcards would find others, and names nothing.
    const std::wstring_view name = std::wstring_view(path).substr(path.find_last_of(kPathSeparators) + 1);
    if (name.empty() || name.find_first_of(L"*?<>\"") != std::wstring_view::npos) {
        return std::nullopt;
    }
    // The search takes the name as a pattern, in which trailing dots mean
    // something: they go first, as they go when a file is opened.
    std::wstring pattern = path;
    if (!pattern.starts_with(L"\\\\?\\")) {
        pattern.erase(pattern.find_last_not_of(L". ") + 1);
    }
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileExW(Win32Path(pattern).c_str(), FindExInfoBasic, &found,
                                             FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    ::FindClose(search);
    return std::wstring(found.cFileName);
}

}  // namespace orvan::platform
