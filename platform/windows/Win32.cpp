#include "platform/windows/Win32.h"

#include <aclapi.h>

#include <cerrno>

namespace orvan::platform {

int ErrnoOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD: return EACCES;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_LOCK_FAILED:
        case ERROR_IO_PENDING: return EWOULDBLOCK;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return ENOSPC;
        case ERROR_DIRECTORY: return ENOTDIR;
        case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
        case ERROR_NOT_SAME_DEVICE: return EXDEV;
        case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_PARAMETER: return EINVAL;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY: return ENOMEM;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION: return EOPNOTSUPP;
        case ERROR_WRITE_PROTECT: return EROFS;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA: return EPIPE;
        default: return EIO;
    }
}

int FailWithLastError() {
    errno = ErrnoOf(::GetLastError());
    return -1;
}

std::vector<unsigned char> CurrentUserSid() {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return {};
    }
    const Handle closing(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, TokenUser, buffer.data(), size, &size)) {
        return {};
    }
    const PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    std::vector<unsigned char> copy(::GetLengthSid(sid));
    if (!::CopySid(static_cast<DWORD>(copy.size()), copy.data(), sid)) {
        return {};
    }
    return copy;
}

OwnerOnly::OwnerOnly() : user_(CurrentUserSid()) {
    if (user_.empty()) {
        return;
    }
    // One entry: the user, full access; inherited by what a folder will hold.
    const DWORD size = sizeof(ACL) + sizeof(ACCESS_ALLOWED_ACE) + static_cast<DWORD>(user_.size());
    acl_.resize(size);
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    ready_ = ::InitializeAcl(acl, size, ACL_REVISION) &&
             ::AddAccessAllowedAceEx(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, GENERIC_ALL,
                                     user_.data()) &&
             ::InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             ::SetSecurityDescriptorOwner(&descriptor_, user_.data(), FALSE) &&
             ::SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
             ::SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
}

namespace {

// 100-nanosecond ticks since 1601 to nanoseconds since 1970.
std::int64_t UnixNanoseconds(LARGE_INTEGER ticks) { return (ticks.QuadPart - 116444736000000000LL) * 100; }

bool OwnedByUser(HANDLE handle) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr, nullptr, nullptr,
                          &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    std::vector<unsigned char> user = CurrentUserSid();
    const bool same = owner != nullptr && !user.empty() && ::EqualSid(owner, user.data());
    ::LocalFree(descriptor);
    return same;
}

}  // namespace

std::optional<FileStatus> StatusOfHandle(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION info{};
    FILE_BASIC_INFO basic{};
    const DWORD type = ::GetFileType(handle);
    FileStatus status;
    if (type == FILE_TYPE_PIPE || type == FILE_TYPE_CHAR) {
        status.isStream = true;
        status.isPipe = type == FILE_TYPE_PIPE;
        return status;
    }
    if (!::GetFileInformationByHandle(handle, &info) ||
        !::GetFileInformationByHandleEx(handle, FileBasicInfo, &basic, sizeof basic)) {
        FailWithLastError();
        return std::nullopt;
    }
    const bool reparse = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    status.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    status.modifiedNanoseconds = UnixNanoseconds(basic.LastWriteTime);
    status.modifiedSeconds = status.modifiedNanoseconds / 1'000'000'000;
    status.changedNanoseconds = UnixNanoseconds(basic.ChangeTime);
    status.isSymbolicLink = reparse;
    status.isDirectory = !reparse && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    status.isRegularFile = !reparse && !status.isDirectory;
    status.ownedByUser = OwnedByUser(handle);
    status.device = info.dwVolumeSerialNumber;
    status.inode = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return status;
}

}  // namespace orvan::platform
