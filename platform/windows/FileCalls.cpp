#include "platform/FileCalls.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

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

int FailWith(DWORD error) {
    ::SetLastError(error);
    return FailWithLastError();
}

// Moves the file at `target` (`to`) aside, renames by `rename()` and removes
// the old file, which goes when its last reader closes it. Where it cannot be
// removed (a running program), everything goes back and this fails.
template <typename Rename>
int MovingAside(const std::wstring& from, const std::wstring& to, const std::wstring& target, Rename rename) {
    thread_local std::mt19937 random{std::random_device{}()};
    const std::size_t name = to.find_last_of(kPathSeparators) + 1;
    const std::wstring aside =
        Win32Path(to.substr(0, name) + L"." + to.substr(name) + L".old-" + std::to_wstring(random() % 1000000));
    if (!::MoveFileExW(target.c_str(), aside.c_str(), 0)) {
        return FailWithLastError();
    }
    if (!rename()) {
        const DWORD failure = ::GetLastError();
        ::MoveFileExW(aside.c_str(), target.c_str(), 0);
        return FailWith(failure);
    }
    if (!::DeleteFileW(aside.c_str())) {
        ::MoveFileExW(target.c_str(), Win32Path(from).c_str(), 0);
        ::MoveFileExW(aside.c_str(), target.c_str(), 0);
        return FailWith(ERROR_SHARING_VIOLATION);
    }
    return 0;
}

// Renames the file `from` onto `to` by `rename()`, replacing a file there as
// POSIX systems do. Windows refuses to replace a read-only file (wine does
// not: it is refused here first) and a folder, and so does this. It also
// refuses to replace a file that is open (wine: open at all; Windows: without
// shared deletion), where POSIX systems let its readers go on reading the old
// file. That is done here too: the old file moves aside first, under a name of
// its own, which the system allows only where every holder shares deletion,
// the new one takes its place, and the old one is removed; where it cannot be
// (a running program), everything goes back. A crash in between leaves the
// old content under ".<name>.old-XXXXXX", never nothing.
template <typename Rename>
int Replacing(const std::wstring& from, const std::wstring& to, Rename rename) {
    const std::wstring target = Win32Path(to);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    const bool folder = exists && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (exists && !folder && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return FailWith(ERROR_FILE_READ_ONLY);
    }
    if (rename()) {
        return 0;
    }
    const DWORD error = ::GetLastError();
    if (!exists || (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)) {
        return FailWith(error);
    }
    return folder ? FailWith(kErrorDirectoryNotSupported) : MovingAside(from, to, target, rename);
}

}  // namespace

int OpenFile(const std::wstring& path, OpenFor purpose) {
    const DWORD access = purpose == OpenFor::Reading ? GENERIC_READ : GENERIC_WRITE;
    return Adopt(::CreateFileW(Win32Path(path).c_str(), access, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
                 purpose == OpenFor::Reading ? _O_RDONLY : _O_WRONLY);
}

int CreateNewFile(const std::wstring& path, bool locked) {
    OwnerOnly security;
    const int descriptor = Adopt(::CreateFileW(Win32Path(path).c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll,
                                               security.Attributes(), CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr),
                                 _O_RDWR);
    if (descriptor >= 0 && locked) {
        TryLockFile(descriptor);  // a clean-up in the moment between finds nothing to remove
    }
    return descriptor;
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
    // Windows locks byte ranges, and a locked range refuses the reads and
    // writes of other handles: the lock is taken on one byte far beyond any
    // content, so it marks the file without standing in anyone's way.
    OVERLAPPED farAway{};
    farAway.Offset = MAXDWORD - 1;
    farAway.OffsetHigh = 0x7FFFFFFF;
    if (::LockFileEx(HandleOf(descriptor), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &farAway)) {
        return true;
    }
    FailWithLastError();
    return false;
}

int RenameFile(const std::wstring& from, const std::wstring& to) {
    const std::wstring source = Win32Path(from);
    const std::wstring target = Win32Path(to);
    return Replacing(from, to, [&] {
        return ::MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    });
}

int RenameOpenFile(int descriptor, const std::wstring& from, const std::wstring& to) {
    // Through the handle, which alone may move the file. The new name is
    // given in the system's own form, whatever form `to` has.
    const auto target = NtPath(to);
    if (!target) {
        return FailWithLastError();
    }
    const std::size_t bytes = target->size() * sizeof(wchar_t);
    std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + bytes);
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    rename->ReplaceIfExists = TRUE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    std::copy(target->begin(), target->end(), rename->FileName);
    return Replacing(from, to, [&] {
        return ::SetFileInformationByHandle(HandleOf(descriptor), FileRenameInfo, rename,
                                            static_cast<DWORD>(buffer.size()));
    });
}

int LinkFile(const std::wstring&, const std::wstring&) {
    // Files get no second name here: a save taking over a scratch save
    // through one was seen to leave an empty archive under wine. Callers then
    // write the file afresh, which is always right.
    errno = EXDEV;
    return -1;
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
    const Handle handle(::CreateFileW(Win32Path(path).c_str(), FILE_READ_ATTRIBUTES | READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
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
    const HANDLE search = ::FindFirstFileW(Win32Path(folder + L"\\*").c_str(), &found);
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

bool RemoveFolder(const std::wstring& path) { return ::RemoveDirectoryW(Win32Path(path).c_str()) || FailWithLastError() == 0; }

std::optional<std::uint64_t> FreeSpace(const std::wstring& folder) {
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(Win32Path(folder).c_str(), &available, nullptr, nullptr)) {
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
