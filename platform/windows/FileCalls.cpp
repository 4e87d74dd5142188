#include "platform/FileCalls.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>

#include "platform/windows/Win32.h"

namespace orvan::platform {
namespace {

// Every handle shares reading, writing and deleting: a file can be renamed
// over or removed while someone reads it, as on POSIX systems.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE HandleOf(int descriptor) { return reinterpret_cast<HANDLE>(::_get_osfhandle(descriptor)); }

// A C runtime descriptor for `handle`, which it owns from now on.
int Adopt(HANDLE handle, int flags) {
    if (handle == INVALID_HANDLE_VALUE) {
        return FailWithLastError();
    }
    const int descriptor = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY | _O_NOINHERIT);
    if (descriptor < 0) {
        ::CloseHandle(handle);
        errno = EMFILE;
    }
    return descriptor;
}

OVERLAPPED At(std::uint64_t offset) {
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return at;
}

DWORD Chunk(std::size_t size) { return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30)); }

// Runs one ReadFile or WriteFile call; the bytes it moved, or -1 with errno set.
template <typename Call>
std::int64_t Transferred(Call call) {
    DWORD count = 0;
    if (!call(&count)) {
        return ::GetLastError() == ERROR_HANDLE_EOF ? 0 : FailWithLastError();
    }
    return count;
}

}  // namespace

int OpenFile(const std::wstring& path, OpenFor purpose) {
    const DWORD access = purpose == OpenFor::Reading ? GENERIC_READ : GENERIC_WRITE;
    return Adopt(::CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                 purpose == OpenFor::Reading ? _O_RDONLY : _O_WRONLY);
}

int CreateNewFile(const std::wstring& path) {
    OwnerOnly security;
    return Adopt(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, security.Attributes(),
                               CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                 _O_RDWR);
}

int CreateUnnamedFile(const std::wstring&) {
    errno = EOPNOTSUPP;  // a file on Windows always has a name
    return -1;
}

int CloseFile(int descriptor) { return ::_close(descriptor); }

int DuplicateFile(int descriptor) { return ::_dup(descriptor); }

std::int64_t ReadSome(int descriptor, void* into, std::size_t size) {
    return Transferred([&](DWORD* count) { return ::ReadFile(HandleOf(descriptor), into, Chunk(size), count, nullptr); });
}

std::int64_t ReadSomeAt(int descriptor, void* into, std::size_t size, std::uint64_t offset) {
    // Reads at an offset move the file's position here; no caller mixes them
    // with sequential reads on one descriptor.
    OVERLAPPED at = At(offset);
    return Transferred([&](DWORD* count) { return ::ReadFile(HandleOf(descriptor), into, Chunk(size), count, &at); });
}

std::int64_t WriteSome(int descriptor, const void* data, std::size_t size) {
    return Transferred([&](DWORD* count) { return ::WriteFile(HandleOf(descriptor), data, Chunk(size), count, nullptr); });
}

std::int64_t WriteSomeAt(int descriptor, const void* data, std::size_t size, std::uint64_t offset) {
    // The position after a positioned write is where sequential writes go on:
    // it is put back, as pwrite leaves it.
    const std::int64_t position = FilePosition(descriptor);
    OVERLAPPED at = At(offset);
    const std::int64_t written =
        Transferred([&](DWORD* count) { return ::WriteFile(HandleOf(descriptor), data, Chunk(size), count, &at); });
    if (position >= 0) {
        const int error = errno;
        SetFilePosition(descriptor, static_cast<std::uint64_t>(position));
        errno = error;
    }
    return written;
}

std::int64_t FilePosition(int descriptor) {
    LARGE_INTEGER position{};
    if (!::SetFilePointerEx(HandleOf(descriptor), LARGE_INTEGER{}, &position, FILE_CURRENT)) {
        return FailWithLastError();
    }
    return position.QuadPart;
}

int SetFilePosition(int descriptor, std::uint64_t position) {
    LARGE_INTEGER to{};
    to.QuadPart = static_cast<LONGLONG>(position);
    return ::SetFilePointerEx(HandleOf(descriptor), to, nullptr, FILE_BEGIN) ? 0 : FailWithLastError();
}

int SyncFile(int descriptor) {
    // A handle open for reading only cannot be flushed; its file's data then
    // goes out with the system's own writes, as nothing of it is pending here.
    if (::FlushFileBuffers(HandleOf(descriptor)) || ::GetLastError() == ERROR_ACCESS_DENIED) {
        return 0;
    }
    return FailWithLastError();
}

int SyncFolder(const std::wstring&) {
    // NTFS logs its folder changes itself, and renames here are made write-through.
    return 0;
}

void StartWriteback(int, std::uint64_t, std::uint64_t) {}

bool TryLockFile(int descriptor) {
    OVERLAPPED whole{};
    if (::LockFileEx(HandleOf(descriptor), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD,
                     &whole)) {
        return true;
    }
    FailWithLastError();
    return false;
}

int RenameFile(const std::wstring& from, const std::wstring& to) {
    return ::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
               ? 0
               : FailWithLastError();
}

int LinkFile(const std::wstring& existing, const std::wstring& name) {
    return ::CreateHardLinkW(name.c_str(), existing.c_str(), nullptr) ? 0 : FailWithLastError();
}

bool LinkOpenFile(int, const std::wstring&) {
    errno = EOPNOTSUPP;
    return false;
}

std::optional<FileStatus> GetOpenFileStatus(int descriptor) { return StatusOfHandle(HandleOf(descriptor)); }

std::optional<FileStatus> GetLinkStatus(const std::wstring& path) {
    if (path.empty()) {
        errno = ENOENT;
        return std::nullopt;
    }
    const Handle handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!handle) {
        FailWithLastError();
        return std::nullopt;
    }
    return StatusOfHandle(handle.get());
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = ::FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") {
            names.push_back(name);
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

bool RemoveFolder(const std::wstring& path) { return ::RemoveDirectoryW(path.c_str()) || FailWithLastError() == 0; }

std::optional<std::uint64_t> FreeSpace(const std::wstring& folder) {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(folder.c_str(), &available, nullptr, nullptr)) {
        FailWithLastError();
        return std::nullopt;
    }
    return available.QuadPart;
}

// Windows sets no limit on open handles that a program would raise.
std::size_t OpenFileCount() { return 0; }

std::optional<std::size_t> OpenFileLimit() { return std::nullopt; }

std::optional<std::size_t> RaiseOpenFileLimit(std::size_t) { return std::nullopt; }

void RestoreOpenFileLimit(std::size_t) {}

}  // namespace orvan::platform
