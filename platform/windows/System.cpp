#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "platform/Exception.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

namespace orvan::platform {

std::wstring GetExecutablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) {
            throw CFileException(L"the program's own file", L"the system cannot tell its path");
        }
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring UserDataFolder() {
    PWSTR folder = nullptr;
    if (::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &folder) != S_OK) {
        ::CoTaskMemFree(folder);
        throw CFileException(L"%LOCALAPPDATA%", L"no local application data folder for the data directory");
    }
    std::wstring path = folder;
    ::CoTaskMemFree(folder);
    return path;
}

std::optional<std::wstring> ShippedFile(const std::wstring& name) {
    const std::wstring program = GetExecutablePath();
    return program.substr(0, program.find_last_of(kPathSeparators) + 1) + name;
}

void UseBinaryStandardStreams() {
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
}

bool IsTerminal(std::FILE* stream) { return ::_isatty(::_fileno(stream)) != 0; }

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_s(&local, &time);
    return local;
}

std::uint32_t GetTickCount() { return ::GetTickCount(); }

}  // namespace orvan::platform
