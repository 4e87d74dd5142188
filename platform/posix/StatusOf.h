#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"

namespace orvan::platform {

inline std::int64_t Nanoseconds(const timespec& time) { return time.tv_sec * 1'000'000'000LL + time.tv_nsec; }

inline FileStatus StatusOf(const struct stat& info) {
    FileStatus status;
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.modifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    status.modifiedNanoseconds = Nanoseconds(info.st_mtim);
    status.changedNanoseconds = Nanoseconds(info.st_ctim);
    status.isDirectory = S_ISDIR(info.st_mode);
    status.isRegularFile = S_ISREG(info.st_mode);
    status.isStream = S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode);
    status.isPipe = S_ISFIFO(info.st_mode);
    status.isSymbolicLink = S_ISLNK(info.st_mode);
    status.ownedByUser = info.st_uid == ::geteuid();
    status.device = static_cast<std::uint64_t>(info.st_dev);
    status.inode = static_cast<std::uint64_t>(info.st_ino);
    return status;
}

}  // namespace orvan::platform
