#include "platform/ErrorText.h"

#include <cerrno>
#include <cstring>

#include "platform/Utf8.h"
#include "platform/windows/Win32.h"

namespace orvan::platform {
namespace {

// The values Windows errors map to, in the words of the GNU C library, so
// that a message reads the same on both systems.
const wchar_t* KnownText(int error) {
    switch (error) {
        case ENOENT: return L"No such file or directory";
        case EACCES: return L"Permission denied";
        case EBUSY: return L"in use by another program";
        case EAGAIN: return L"Resource temporarily unavailable";
        case EEXIST: return L"File exists";
        case ENOSPC: return L"No space left on device";
        case ENOTDIR: return L"Not a directory";
        case EISDIR: return L"Is a directory";
        case ENOTEMPTY: return L"Directory not empty";
        case EXDEV: return L"Invalid cross-device link";
        case ENAMETOOLONG: return L"File name too long";
        case EINVAL: return L"Invalid argument";
        case EBADF: return L"Bad file descriptor";
        case EMFILE: return L"Too many open files";
        case ENOMEM: return L"Cannot allocate memory";
        case EOPNOTSUPP: return L"Operation not supported";
        case EROFS: return L"Read-only file system";
        case EPIPE: return L"Broken pipe";
        case EIO: return L"Input/output error";
        case ENODEV: return L"No such device";
        case ECONNRESET: return L"Connection reset by peer";
        case ECONNABORTED: return L"Software caused connection abort";
        case ECONNREFUSED: return L"Connection refused";
        case ENETUNREACH: return L"Network is unreachable";
        case EHOSTUNREACH: return L"No route to host";
        case ENOTCONN: return L"Transport endpoint is not connected";
        case ETIMEDOUT: return L"Connection timed out";
        case ECANCELED: return L"Operation canceled";
        case EILSEQ: return L"Invalid or incomplete multibyte or wide character";
        case ELOOP: return L"Too many levels of symbolic links";
        default: return nullptr;
    }
}

// Windows errors of their own, which a user meets with these files.
const wchar_t* WindowsText(DWORD error) {
    switch (error) {
        case ERROR_INVALID_NAME: return L"not a valid file name on Windows";
        case ERROR_FILE_READ_ONLY: return L"the file is read-only";
        default: return nullptr;
    }
}

}  // namespace

std::wstring ErrorText(int error) {
    if (error >= kWindowsError) {
        const auto windowsError = static_cast<DWORD>(error - kWindowsError);
        const wchar_t* text = WindowsText(windowsError);
        return text ? text : L"unknown error (Windows error " + std::to_wstring(windowsError) + L")";
    }
    const wchar_t* text = KnownText(error);
    return text ? text : FromUtf8(std::strerror(error));
}

}  // namespace orvan::platform
