#pragma once

#include <cstdint>
#include <filesystem>

namespace orvan::testing {

// Whether only the user running the tests may use the file or folder: mode
// 0600 or 0700 on POSIX systems; on Windows an access list that grants the
// user, and nobody else but the system itself.
bool IsOwnerOnly(const std::filesystem::path& path);

// Makes `link` a symbolic link to `target`; false where the system lets this
// user make none (Windows without the privilege).
bool TryLink(const std::filesystem::path& target, const std::filesystem::path& link);

// How many names the file has.
std::uint64_t LinkCount(const std::filesystem::path& path);

}  // namespace orvan::testing
