#include "platform/FileName.h"

#include <sys/stat.h>

#include "platform/Utf8.h"

namespace orvan::platform {

// A POSIX file system takes every name as its bytes: no two spellings name
// one file, and no name means a device by itself.
std::wstring FileNameKey(std::wstring_view name) { return std::wstring(name); }

std::wstring UsableFileName(std::wstring_view name) { return std::wstring(name); }

DeviceName NamedDevice(std::wstring_view) { return DeviceName::None; }

std::wstring PlainPath(std::wstring_view path) { return std::wstring(path); }

std::optional<std::wstring> NameInFolder(const std::wstring& path) {
    struct stat info {};
    if (path.empty() || ::lstat(ToUtf8(path).c_str(), &info) != 0) {
        return std::nullopt;
    }
    return path.substr(path.find_last_of(L'/') + 1);
}

}  // namespace orvan::platform
