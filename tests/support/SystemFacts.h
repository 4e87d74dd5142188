#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

namespace orvan::testing {

// Whether only the user running the tests may use the file or folder: mode
// 0600 or 0700 on POSIX systems; on Windows an access list that grants the
// user, and nobody else but the system itself.
bool IsOwnerOnly(const std::filesystem::path& path);

// Makes `link` a symbolic link to `target`; false where the system lets this
// user make none (Windows without the privilege).
inline bool TryLink(const std::filesystem::path& target, const std::filesystem::path& link) {
    std::error_code error;
    std::filesystem::is_directory(target) ? std::filesystem::create_directory_symlink(target, link, error)
                                          : std::filesystem::create_symlink(target, link, error);
    return !error;
}

// How many names the file has.
std::uint64_t LinkCount(const std::filesystem::path& path);

// The short 8.3 alias the file system gives the file at `path` (Windows),
// "" where it gives none.
std::wstring ShortName(const std::filesystem::path& path);

// Whether std::system reaches the host's tools (a POSIX shell, python3,
// xmllint): not from a Windows program under wine, whose shell is cmd.
bool CanRunHostTools();

// Makes the system's folder for temporary files `folder` (TMPDIR; TMP and
// TEMP on Windows) while the object lives.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::filesystem::path& folder);
    ~TemporaryFolderOverride();
    TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
    TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

private:
    std::vector<std::pair<std::wstring, std::optional<std::wstring>>> saved_;  // each variable as it was
};

}  // namespace orvan::testing
