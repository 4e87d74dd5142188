#include "platform/System.h"

#include <pwd.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include <filesystem>
#include <system_error>

#include "platform/Exception.h"
#include "platform/Utf8.h"

namespace orvan::platform {

std::wstring GetExecutablePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        throw CFileException(L"/proc/self/exe", FromUtf8(error.message()));
    }
    return FromPath(path);
}

std::wstring UserDataFolder() {
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome != nullptr && dataHome[0] == '/') {
        return FromUtf8(dataHome);
    }
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') {
        // Never a shared folder such as /tmp.
        const passwd* user = ::getpwuid(::geteuid());
        if (user == nullptr || user->pw_dir == nullptr || user->pw_dir[0] != '/') {
            throw CFileException(L"~/.local/share", L"no home folder for the data directory");
        }
        home = user->pw_dir;
    }
    return FromUtf8(home) + L"/.local/share";
}

std::optional<std::wstring> ShippedFile(const std::wstring&) { return std::nullopt; }

void UseBinaryStandardStreams() {}

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    ::localtime_r(&time, &local);
    return local;
}

std::uint32_t GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace orvan::platform
