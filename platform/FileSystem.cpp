#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/Utf8.h"

namespace orvan::platform {

std::optional<FileStatus> GetFileStatus(const std::wstring& path) {
    struct stat info {};
    if (path.empty() || ::stat(ToUtf8(path).c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileStatus{static_cast<std::uint64_t>(info.st_size),
                      static_cast<std::int64_t>(info.st_mtim.tv_sec),
                      S_ISDIR(info.st_mode),
                      S_ISREG(info.st_mode),
                      S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode),
                      static_cast<std::uint64_t>(info.st_dev),
                      static_cast<std::uint64_t>(info.st_ino)};
}

bool CreateDirectory(const std::wstring& path) {
    return !path.empty() && ::mkdir(ToUtf8(path).c_str(), S_IRWXU) == 0;
}

bool DeleteFile(const std::wstring& path) {
    return !path.empty() && ::unlink(ToUtf8(path).c_str()) == 0;
}

}  // namespace orvan::platform
