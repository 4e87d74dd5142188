#include "app/DataDirectory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include "platform/Exception.h"
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

std::wstring UserDataBase() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        return platform::FromUtf8(dataHome);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        // Never a shared folder such as /tmp: the files are a patient's.
        const passwd* user = ::getpwuid(::geteuid());
        if (user == nullptr || user->pw_dir == nullptr || user->pw_dir[0] != '/') {
            throw platform::CFileException(L"~/.local/share", L"no home folder for the data directory");
        }
        home = user->pw_dir;
    }
    return platform::FromUtf8(home) + L"/.local/share";
}

bool CreateFolders(const std::wstring& path) {
    // Each level is made when missing, owner-only: the program's folders hold patient data.
    for (std::size_t start = 1; start <= path.size(); ++start) {
        const std::size_t end = std::min(path.find(L'/', start), path.size());
        platform::CreateDirectory(path.substr(0, end));
        start = end;
    }
    const auto status = platform::GetFileStatus(path);
    return status && status->isDirectory;
}

std::wstring UserDataDirectory() {
    const std::wstring folder = UserDataBase() + L"/OrvanCommonClassesTest/";
    CreateFolders(folder.substr(0, folder.size() - 1));
    return folder;
}

bool IsProgramsOwnFolder(const std::wstring& folder, const std::wstring& installPrefix) {
    std::wstring prefix = installPrefix;
    if (prefix.empty() || prefix.back() != L'/') {
        prefix += L'/';
    }
    if (folder.starts_with(prefix)) {
        return false;
    }
    struct stat info {};
    if (::stat(platform::ToUtf8(folder).c_str(), &info) != 0) {
        return true;  // a Release sibling not made yet: the program's own build tree
    }
    return info.st_uid == ::geteuid() && ::access(platform::ToUtf8(folder).c_str(), W_OK) == 0;
}

std::wstring DataDirectoryFor(const std::wstring& executablePath, const std::wstring& installPrefix) {
    const std::wstring folder = DataDirectoryOf(executablePath);
    return IsProgramsOwnFolder(folder, installPrefix) ? folder : UserDataDirectory();
}

std::wstring ProgramDataDirectory() {
    return DataDirectoryFor(platform::GetExecutablePath(), platform::FromUtf8(ORVAN_INSTALL_PREFIX));
}

}  // namespace orvan::app
