#pragma once

// What the Windows side of the platform layer shares: errors as errno values,
// handles that close themselves, owner-only security, file status.

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "platform/FileSystem.h"

namespace orvan::platform {

// Sets errno to the nearest value for GetLastError() and returns -1.
int FailWithLastError();
int ErrnoOf(DWORD error);

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
