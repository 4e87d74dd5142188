#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace orvan::platform {

struct FileStatus {
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;  // since 1970-01-01 UTC
    bool isDirectory = false;
    bool isRegularFile = false;
    // A pipe or a character device (a terminal, /dev/null): written to as a
    // stream, never replaced.
    bool isStream = false;
    // What makes two paths one file, however they are spelled.
    std::uint64_t device = 0;
    std::uint64_t inode = 0;

    bool SameFileAs(const FileStatus& other) const { return device == other.device && inode == other.inode; }
};

// Status of the file or folder at `path` (links are followed); nothing when it
// does not exist or cannot be queried.
std::optional<FileStatus> GetFileStatus(const std::wstring& path);

// Creates one folder, readable by its owner only (everything this program
// creates may hold patient data). False when it could not be created, also
// when it exists already.
bool CreateDirectory(const std::wstring& path);

// Removes the file, or the symbolic link itself, at `path`; never a folder.
// False when nothing was removed.
bool DeleteFile(const std::wstring& path);

}  // namespace orvan::platform
