#include "FileFacts.h"

#include <sys/stat.h>

namespace orvan::testing {

bool IsOwnerOnly(const std::filesystem::path& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        return false;
    }
    return (info.st_mode & 0777u) == (S_ISDIR(info.st_mode) ? 0700u : 0600u);
}

std::uint64_t LinkCount(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_nlink : 0;
}

}  // namespace orvan::testing
