#include "platform/System.h"

#include <time.h>

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

std::uint32_t GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1'000'000u;
    return static_cast<std::uint32_t>(milliseconds);
}

}  // namespace orvan::platform
