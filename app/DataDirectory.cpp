#include "app/DataDirectory.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/FileSystem.h"
#include "platform/System.h"
#include "platform/Utf8.h"

namespace orvan::app {

std::wstring DataDirectoryOf(const std::wstring& executablePath) {
    std::wstring folder = executablePath.substr(0, executablePath.find_last_of(L'/') + 1);
    constexpr std::wstring_view kDebug = L"/Debug/";
    constexpr std::wstring_view kRelease = L"/Release/";
    for (std::size_t at = folder.find(kDebug); at != std::wstring::npos; at = folder.find(kDebug, at + kRelease.size())) {
        folder.replace(at, kDebug.size(), kRelease);
    }
    return folder;
}

std::wstring UserDataDirectory() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    std::wstring base;
    if (dataHome != nullptr && dataHome[0] == '/') {
        base = platform::FromUtf8(dataHome);
    } else {
        base = platform::FromUtf8(home != nullptr ? home : "/tmp") + L"/.local/share";
    }
    // Each level is made when missing; the program's own folder holds patient data.
    std::wstring path;
    for (std::size_t start = 1; start <= base.size(); ++start) {
        const std::size_t end = std::min(base.find(L'/', start), base.size());
        path = base.substr(0, end);
        platform::CreateDirectory(path);
        start = end;
    }
    const std::wstring folder = base + L"/OrvanCommonClassesTest/";
    platform::CreateDirectory(folder.substr(0, folder.size() - 1));
    return folder;
}

std::wstring ProgramDataDirectory() {
    const std::wstring folder = DataDirectoryOf(platform::GetExecutablePath());
    const bool writable = ::access(platform::ToUtf8(folder).c_str(), W_OK) == 0;
    const bool exists = platform::GetFileStatus(folder).has_value();
    return exists && !writable ? UserDataDirectory() : folder;
}

}  // namespace orvan::app
