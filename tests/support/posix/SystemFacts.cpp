#include "SystemFacts.h"

#include <stdlib.h>
#include <sys/stat.h>

#include "platform/Utf8.h"

namespace orvan::testing {

bool IsOwnerOnly(const std::filesystem::path& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && (info.st_mode & 0777u) == (S_ISDIR(info.st_mode) ? 0700u : 0600u);
}

std::uint64_t LinkCount(const std::filesystem::path& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_nlink : 0;
}

std::wstring ShortName(const std::filesystem::path&) { return {}; }

bool CanRunHostTools() { return true; }

TemporaryFolderOverride::TemporaryFolderOverride(const std::filesystem::path& folder) {
    const char* before = std::getenv("TMPDIR");
    saved_.emplace_back(L"TMPDIR", before ? std::optional(platform::FromUtf8(before)) : std::nullopt);
    ::setenv("TMPDIR", folder.c_str(), 1);
}

TemporaryFolderOverride::~TemporaryFolderOverride() {
    for (const auto& [name, value] : saved_) {
        const std::string variable = platform::ToUtf8(name);
        value ? ::setenv(variable.c_str(), platform::ToUtf8(*value).c_str(), 1) : ::unsetenv(variable.c_str());
    }
}

}  // namespace orvan::testing
