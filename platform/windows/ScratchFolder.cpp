#include "platform/ScratchFolder.h"

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <string>

#include "platform/Exception.h"
#include "platform/UniqueFolder.h"
#include "platform/Utf8.h"
#include "platform/FileCalls.h"
#include "platform/windows/Win32.h"

namespace orvan::platform {
namespace {

std::mutex scratchMutex;
std::wstring scratchPath;  // the scratch folder alive, for the console handler

void RemoveTree(const std::wstring& path) {
    std::error_code ignored;
    std::filesystem::remove_all(ToPath(path), ignored);
}

// Ctrl+C, Ctrl+Break, a closed console, logoff or shutdown: the folder goes
// first, then the default handling ends the program.
BOOL WINAPI RemoveScratchOnInterrupt(DWORD) {
    const std::lock_guard lock(scratchMutex);
    if (!scratchPath.empty()) {
        RemoveTree(scratchPath);
        scratchPath.clear();
    }
    return FALSE;
}

std::wstring UserName() {
    wchar_t name[256];
    DWORD size = 256;
    return ::GetUserNameW(name, &size) ? std::wstring(name) : L"user";
}

// The user's parent folder, cleared of the folders of processes gone.
std::wstring ScratchParent(const std::wstring& prefix) {
    const std::wstring parent = TemporaryFilesFolder() + L"\\" + prefix + L"-" + UserName();
    CreateFolder(parent);
    const auto status = GetLinkStatus(parent);
    if (!status || !status->isDirectory || !status->ownedByUser) {
        throw CFileException(parent, L"not a private folder of this user, cannot hold scratch files");
    }
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(ToPath(parent), error)) {
        const unsigned long owner = std::wcstoul(entry.path().filename().c_str(), nullptr, 10);
        const Handle process(owner > 0 ? ::OpenProcess(SYNCHRONIZE, FALSE, owner) : nullptr);
        if (owner > 0 && (!process || ::WaitForSingleObject(process.get(), 0) == WAIT_OBJECT_0)) {
            RemoveTree(FromPath(entry.path()));
        }
    }
    return parent;
}

}  // namespace

ScratchFolder::ScratchFolder(const std::wstring& prefix) {
    const std::wstring parent = ScratchParent(prefix);
    const auto made = CreateUniqueFolder(parent, std::to_wstring(::GetCurrentProcessId()) + L"-");
    if (!made) {
        throw CFileException(parent, L"cannot create a scratch folder there");
    }
    path_ = *made;
    const std::lock_guard lock(scratchMutex);
    scratchPath = path_;
    ::SetConsoleCtrlHandler(RemoveScratchOnInterrupt, TRUE);
}

ScratchFolder::~ScratchFolder() {
    const std::lock_guard lock(scratchMutex);
    ::SetConsoleCtrlHandler(RemoveScratchOnInterrupt, FALSE);
    RemoveTree(path_);
    scratchPath.clear();
}

}  // namespace orvan::platform
