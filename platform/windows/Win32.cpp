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
        case ERROR_BAD_NET_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_ENVVAR_NOT_FOUND:
        case ERROR_MOD_NOT_FOUND:
        case ERROR_INVALID_REPARSE_DATA: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_NOACCESS:
        case ERROR_CANT_ACCESS_FILE:
        case ERROR_NETWORK_ACCESS_DENIED:
        case kErrorElevationRequired:
        case ERROR_PRIVILEGE_NOT_HELD: return EACCES;
        // Another program holds the file (shared too narrowly, or locked).
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
        case ERROR_USER_MAPPED_FILE:
        case ERROR_DRIVE_LOCKED:
        case ERROR_BUSY:
        case ERROR_PIPE_BUSY: return EBUSY;
        case ERROR_LOCK_FAILED:
        case ERROR_IO_PENDING: return EAGAIN;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS: return EEXIST;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
        case kErrorDiskQuotaExceeded:
        case ERROR_CANNOT_MAKE:
        case ERROR_EA_TABLE_FULL:
        case ERROR_END_OF_MEDIA: return ENOSPC;
        case ERROR_DIRECTORY: return ENOTDIR;
        case kErrorDirectoryNotSupported: return EISDIR;
        case ERROR_DIR_NOT_EMPTY: return ENOTEMPTY;
        case ERROR_NOT_SAME_DEVICE: return EXDEV;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW: return ENAMETOOLONG;
        case ERROR_INVALID_PARAMETER:
        case ERROR_INVALID_DATA:
        case ERROR_INSUFFICIENT_BUFFER:
        case ERROR_NEGATIVE_SEEK:
        case ERROR_SYMLINK_NOT_SUPPORTED: return EINVAL;
        case ERROR_INVALID_HANDLE:
        case ERROR_INVALID_TARGET_HANDLE: return EBADF;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
        case ERROR_COMMITMENT_LIMIT: return ENOMEM;
        case ERROR_NOT_SUPPORTED:
        case ERROR_INVALID_FUNCTION:
        case ERROR_CALL_NOT_IMPLEMENTED: return EOPNOTSUPP;
        case ERROR_WRITE_PROTECT: return EROFS;
        case ERROR_BROKEN_PIPE:
        case ERROR_NO_DATA:
        case ERROR_BAD_PIPE:
        case ERROR_PIPE_NOT_CONNECTED: return EPIPE;
        case ERROR_CRC:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE:
        case ERROR_OPEN_FAILED:
        case ERROR_DISK_CORRUPT:
        case ERROR_SEEK:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_BUS_RESET:
        case ERROR_DEVICE_DOOR_OPEN:
        case ERROR_DEVICE_REQUIRES_CLEANING:
        case ERROR_NO_SIGNAL_SENT:
        case ERROR_SIGNAL_REFUSED: return EIO;
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST: return ENODEV;
        case ERROR_NETNAME_DELETED: return ECONNRESET;
        case ERROR_CONNECTION_ABORTED: return ECONNABORTED;
        case ERROR_CONNECTION_REFUSED: return ECONNREFUSED;
        case ERROR_NETWORK_UNREACHABLE: return ENETUNREACH;
        case ERROR_HOST_UNREACHABLE: return EHOSTUNREACH;
        case ERROR_NOT_CONNECTED: return ENOTCONN;
        case ERROR_SEM_TIMEOUT: return ETIMEDOUT;
        case ERROR_OPERATION_ABORTED: return ECANCELED;
        case ERROR_NO_UNICODE_TRANSLATION: return EILSEQ;
        case ERROR_CANT_RESOLVE_FILENAME: return ELOOP;
        default: return error < static_cast<DWORD>(kWindowsError) ? kWindowsError + static_cast<int>(error) : EIO;
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

std::wstring Win32Path(const std::wstring& path) {
    // Shorter than the 248 characters that a folder may have without the form.
    constexpr std::size_t kShort = MAX_PATH - 12;
    if (path.size() < kShort || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
        return path;
    }
    const auto nt = NtPath(path);
    return nt ? L"\\\\?\\" + nt->substr(4) : path;
}

std::optional<std::wstring> NtPath(const std::wstring& path) {
    const DWORD length = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(length, L'\0');
    if (length == 0 || ::GetFullPathNameW(path.c_str(), length, full.data(), nullptr) == 0) {
        return std::nullopt;
    }
    full.resize(full.find(L'\0'));
    if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) {
        return L"\\??\\" + full.substr(4);
    }
    if (full.starts_with(L"\\\\")) {
        return L"\\??\\UNC\\" + full.substr(2);
    }
    return L"\\??\\" + full;
}

}  // namespace orvan::platform
