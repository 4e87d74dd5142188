#include "platform/FileSystem.h"

#include <sys/stat.h>
#include <unistd.h>

#include "platform/posix/StatusOf.h"
#include "platform/Utf8.h"

namespace orvan::platform {

const wchar_t kPathSeparator = L'/';
const std::wstring_view kPathSeparators = L"/";

std::optional<FileStatus> GetFileStatus(const std::wstring& path) {
    struct stat info {};
    if (path.empty() || ::stat(ToUtf8(path).c_str(), &info) != 0) {
        return std::nullopt;
    }
    return StatusOf(info);
}

bool CreateFolder(const std::wstring& path) {
    return !path.empty() && ::mkdir(ToUtf8(path).c_str(), S_IRWXU) == 0;
}

bool IsInFolder(std::wstring_view path, std::wstring_view folder) {
    while (!folder.empty() && folder.back() == L'/') {
        folder.remove_suffix(1);
    }
    return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == L'/');
}

bool CanWriteIn(const std::wstring& folder) { return ::access(ToUtf8(folder).c_str(), W_OK) == 0; }

bool RemoveFile(const std::wstring& path) {
    return !path.empty() && ::unlink(ToUtf8(path).c_str()) == 0;
}

}  // namespace orvan::platform
