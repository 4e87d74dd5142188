#include "platform/FileCalls.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/posix/StatusOf.h"
#include "platform/Utf8.h"

namespace orvan::platform {
namespace {

// Repeats a call interrupted by a signal.
template <typename Call>
auto Retried(Call call) -> decltype(call()) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

std::string Native(const std::wstring& path) { return ToUtf8(path); }

}  // namespace

int OpenFile(const std::wstring& path, OpenFor purpose) {
    const int flags = (purpose == OpenFor::Reading ? O_RDONLY : O_WRONLY) | O_CLOEXEC;
    return Retried([&] { return ::open(Native(path).c_str(), flags); });
}

int CreateNewFile(const std::wstring& path, bool locked) {
    const int descriptor =
        Retried([&] { return ::open(Native(path).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600); });
    if (descriptor >= 0 && locked) {
        ::flock(descriptor, LOCK_EX | LOCK_NB);  // a clean-up in the moment between finds nothing to remove
    }
    return descriptor;
}

int CreateUnnamedFile(const std::wstring& folder) {
    const int descriptor = ::open(Native(folder).c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (descriptor < 0 && (errno == EISDIR || errno == EINVAL)) {
        errno = EOPNOTSUPP;  // a kernel or file system without unnamed files
    }
    return descriptor;
}

int CloseFile(int descriptor) { return ::close(descriptor); }

int DuplicateFile(int descriptor) { return ::fcntl(descriptor, F_DUPFD_CLOEXEC, 0); }

std::int64_t ReadSome(int descriptor, void* into, std::size_t size) {
    return Retried([&] { return ::read(descriptor, into, size); });
}

std::int64_t ReadSomeAt(int descriptor, void* into, std::size_t size, std::uint64_t offset) {
    return Retried([&] { return ::pread(descriptor, into, size, static_cast<off_t>(offset)); });
}

std::int64_t WriteSome(int descriptor, const void* data, std::size_t size) {
    return Retried([&] { return ::write(descriptor, data, size); });
}

std::int64_t WriteSomeAt(int descriptor, const void* data, std::size_t size, std::uint64_t offset) {
    return Retried([&] { return ::pwrite(descriptor, data, size, static_cast<off_t>(offset)); });
}

std::int64_t FilePosition(int descriptor) { return ::lseek(descriptor, 0, SEEK_CUR); }

int SetFilePosition(int descriptor, std::uint64_t position) {
    return ::lseek(descriptor, static_cast<off_t>(position), SEEK_SET) < 0 ? -1 : 0;
}

int SyncFile(int descriptor) { return Retried([&] { return ::fsync(descriptor); }); }

int SyncFolder(const std::wstring& folder) {
    const int descriptor = ::open(Native(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0) {
        return -1;
    }
    const int result = SyncFile(descriptor);
    const int error = errno;
    ::close(descriptor);
    errno = error;
    return result;
}

void StartWriteback(int descriptor, std::uint64_t offset, std::uint64_t length) {
    ::sync_file_range(descriptor, static_cast<off_t>(offset), static_cast<off_t>(length), SYNC_FILE_RANGE_WRITE);
}

bool TryLockFile(int descriptor) { return ::flock(descriptor, LOCK_EX | LOCK_NB) == 0; }

int RenameFile(const std::wstring& from, const std::wstring& to) {
    return ::rename(Native(from).c_str(), Native(to).c_str());
}

int RenameOpenFile(int, const std::wstring& from, const std::wstring& to) { return RenameFile(from, to); }

int LinkFile(const std::wstring& existing, const std::wstring& name) {
    return ::link(Native(existing).c_str(), Native(name).c_str());
}

bool LinkOpenFile(int descriptor, const std::wstring& name) {
    // Through /proc for anyone; the direct way needs a privilege most lack.
    const std::string proc = "/proc/self/fd/" + std::to_string(descriptor);
    const std::string target = Native(name);
    return ::linkat(AT_FDCWD, proc.c_str(), AT_FDCWD, target.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
           (errno != EEXIST && ::linkat(descriptor, "", AT_FDCWD, target.c_str(), AT_EMPTY_PATH) == 0);
}

std::optional<FileStatus> GetOpenFileStatus(int descriptor) {
    struct stat info {};
    if (::fstat(descriptor, &info) != 0) {
        return std::nullopt;
    }
    return StatusOf(info);
}

std::optional<FileStatus> GetLinkStatus(const std::wstring& path) {
    struct stat info {};
    if (path.empty() || ::lstat(Native(path).c_str(), &info) != 0) {
        return std::nullopt;
    }
    return StatusOf(info);
}

std::vector<std::wstring> ListFolder(const std::wstring& folder) {
    std::vector<std::wstring> names;
    DIR* directory = ::opendir(Native(folder).c_str());
    if (directory == nullptr) {
        return names;
    }
    while (const dirent* entry = ::readdir(directory)) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(FromUtf8(name));
        }
    }
    ::closedir(directory);
    return names;
}

bool RemoveFolder(const std::wstring& path) { return ::rmdir(Native(path).c_str()) == 0; }

std::optional<std::uint64_t> FreeSpace(const std::wstring& folder) {
    struct statvfs space {};
    if (::statvfs(Native(folder).c_str(), &space) != 0) {
        return std::nullopt;
    }
    return static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
}

std::size_t OpenFileCount() {
    DIR* folder = ::opendir("/proc/self/fd");
    if (folder == nullptr) {
        return 0;
    }
    std::size_t count = 0;
    while (const dirent* entry = ::readdir(folder)) {
        count += entry->d_name[0] != '.';
    }
    ::closedir(folder);
    return count > 0 ? count - 1 : 0;  // not the one reading the folder
}

std::optional<std::size_t> OpenFileLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(limit.rlim_cur);
}

std::optional<std::size_t> RaiseOpenFileLimit(std::size_t wanted) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return std::nullopt;
    }
    if (limit.rlim_cur < wanted) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max == RLIM_INFINITY ? wanted : std::min<rlim_t>(limit.rlim_max, wanted);
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) {
            limit = raised;
        }
    }
    return static_cast<std::size_t>(limit.rlim_cur);
}

void RestoreOpenFileLimit(std::size_t value) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0) {
        limit.rlim_cur = static_cast<rlim_t>(value);
        ::setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace orvan::platform
