#pragma once

// What the Windows side of the platform layer shares: errors as errno values,
// handles that close themselves, owner-only security, file status.

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/FileSystem.h"

namespace orvan::platform {

// Sets errno to the value for GetLastError() and returns -1.
int FailWithLastError();
// The errno value for a Windows error: the POSIX one that means the same, or,
// where none does, kWindowsError plus the Windows error, which ErrorText
// names as such.
int ErrnoOf(DWORD error);
inline constexpr int kWindowsError = 1 << 20;
// Windows errors that the cross compiler's headers do not name.
inline constexpr DWORD kErrorDirectoryNotSupported = 336;
inline constexpr DWORD kErrorElevationRequired = 740;
inline constexpr DWORD kErrorDiskQuotaExceeded = 1295;

// `path` as Windows' file calls take it at any length: as it is while it is
// short; longer, made absolute in the extended form ("\\?\C:\...",
// "\\?\UNC\server\share\..."), which has no length limit. A path in that
// form or in the device form ("\\.\") stays as it is.
std::wstring Win32Path(const std::wstring& path);
// The absolute path in the system's own form ("\??\C:\...",
// "\??\UNC\server\share\..."), as a rename through a handle takes it;
// nothing when it cannot be made absolute.
std::optional<std::wstring> NtPath(const std::wstring& path);

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle() {
        if (*this) {
            ::CloseHandle(handle_);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

// Security attributes that give the user running the program, and nobody
// else, full access: what POSIX mode 0600 or 0700 gives there.
class OwnerOnly {
public:
    OwnerOnly();
    // Null (the default security) when the user cannot be told.
    SECURITY_ATTRIBUTES* Attributes() { return ready_ ? &attributes_ : nullptr; }

private:
    std::vector<unsigned char> user_;  // the user's SID
    std::vector<unsigned char> acl_;
    SECURITY_DESCRIPTOR descriptor_{};
    SECURITY_ATTRIBUTES attributes_{};
    bool ready_ = false;
};

// The SID of the user running the program; empty when it cannot be told.
std::vector<unsigned char> CurrentUserSid();

// Status of the file open at `handle`.
std::optional<FileStatus> StatusOfHandle(HANDLE handle);

}  // namespace orvan::platform
