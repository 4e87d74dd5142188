#include "app/DataDirectory.h"

#include <string_view>

#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/ProgramFacts.h"
#include "platform/System.h"
#include "platform/Utf8.h"

namespace orvan::app {

std::wstring DataDirectoryOf(const std::wstring& executablePath) {
    std::wstring folder = executablePath.substr(0, executablePath.find_last_of(platform::kPathSeparators) + 1);
    // A component named Debug becomes Release.
    constexpr std::wstring_view kDebug = L"Debug";
    for (std::size_t at = 1; at + kDebug.size() < folder.size(); ++at) {
        if (platform::IsPathSeparator(folder[at - 1]) && folder.compare(at, kDebug.size(), kDebug) == 0 &&
            platform::IsPathSeparator(folder[at + kDebug.size()])) {
            folder.replace(at, kDebug.size(), L"Release");
            at += 8;  // past "Release" and its separator, which no second Debug shares
        }
    }
    return folder;
}

bool CreateFolders(const std::wstring& path) {
    // Each level is made when missing, owner-only: the program's folders hold patient data.
    for (std::size_t start = 1; start <= path.size(); ++start) {
        const std::size_t end = std::min(path.find_first_of(platform::kPathSeparators, start), path.size());
        platform::CreateFolder(path.substr(0, end));
        start = end;
    }
    const auto status = platform::GetFileStatus(path);
    return status && status->isDirectory;
}

std::wstring UserDataDirectory() {
    const std::wstring folder = platform::UserDataFolder() + platform::kPathSeparator + std::wstring(facts::kName) +
                                platform::kPathSeparator;
    CreateFolders(folder.substr(0, folder.size() - 1));
    return folder;
}

bool IsProgramsOwnFolder(const std::wstring& folder, const std::wstring& installPrefix) {
    if (platform::IsInFolder(folder, installPrefix)) {
        return false;
    }
    const auto status = platform::GetFileStatus(folder);
    if (!status) {
        return true;  // a Release sibling not made yet: the program's own build tree
    }
    return status->ownedByUser && platform::CanWriteIn(folder);
}

std::wstring DataDirectoryFor(const std::wstring& executablePath, const std::wstring& installPrefix) {
    const std::wstring folder = DataDirectoryOf(executablePath);
    // A Release sibling not built yet is made now, or the first export would have nowhere to go.
    const bool usable = IsProgramsOwnFolder(folder, installPrefix) && CreateFolders(folder.substr(0, folder.size() - 1));
    return usable ? folder : UserDataDirectory();
}

std::wstring ProgramDataDirectory() {
    return DataDirectoryFor(platform::GetExecutablePath(), platform::FromUtf8(ORVAN_INSTALL_PREFIX));
}

}  // namespace orvan::app
