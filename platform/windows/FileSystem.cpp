#include <windows.h>

#include <algorithm>
#include <random>

#include "platform/windows/Win32.h"

#include "platform/FileSystem.h"

namespace orvan::platform {

const wchar_t kPathSeparator = L'\\';
const std::wstring_view kPathSeparators = L"\\/";

std::optional<FileStatus> GetFileStatus(const std::wstring& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    const Handle handle(::CreateFileW(Win32Path(path).c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        FailWithLastError();
        return std::nullopt;
    }
    return StatusOfHandle(handle.get());
}

bool CreateFolder(const std::wstring& path) {
    OwnerOnly security;
    return !path.empty() && (::CreateDirectoryW(Win32Path(path).c_str(), security.Attributes()) || FailWithLastError() == 0);
}

bool IsInFolder(std::wstring_view path, std::wstring_view folder) {
    while (!folder.empty() && IsPathSeparator(folder.back())) {
        folder.remove_suffix(1);
    }
    if (path.size() < folder.size() || (path.size() > folder.size() && !IsPathSeparator(path[folder.size()]))) {
        return false;
    }
    // Both separators are one; letters compare as NTFS compares them.
    std::wstring head(path.substr(0, folder.size()));
    std::wstring base(folder);
    std::replace(head.begin(), head.end(), L'/', L'\\');
    std::replace(base.begin(), base.end(), L'/', L'\\');
    return ::CompareStringOrdinal(head.data(), static_cast<int>(head.size()), base.data(), static_cast<int>(base.size()),
                                  TRUE) == CSTR_EQUAL;
}

bool CanWriteIn(const std::wstring& folder) {
    // Whether a file can be made there is what counts; the rights that would
    // allow it are many and may be inherited from far up.
    std::random_device random;
    const std::wstring probe = folder + L"\\.write-probe-" + std::to_wstring(random());
    const Handle handle(::CreateFileW(Win32Path(probe).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
    return static_cast<bool>(handle);
}

bool RemoveFile(const std::wstring& path) {
    return !path.empty() && (::DeleteFileW(Win32Path(path).c_str()) || FailWithLastError() == 0);
}

}  // namespace orvan::platform
