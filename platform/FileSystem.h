#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvan::platform {

// The separator this system writes between path components, and those it
// reads as one ('/' too on Windows, as its calls do).
extern const wchar_t kPathSeparator;
extern const std::wstring_view kPathSeparators;
inline bool IsPathSeparator(wchar_t c) { return kPathSeparators.find(c) != std::wstring_view::npos; }

struct FileStatus {
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;  // since 1970-01-01 UTC
    // Both change as the content does; the second also when the file is
    // renamed or its attributes change, where the system tracks that.
    std::int64_t modifiedNanoseconds = 0;
    std::int64_t changedNanoseconds = 0;
    bool isDirectory = false;
    bool isRegularFile = false;
    // A pipe or a character device (a terminal, /dev/null): written to as a
    // stream, never replaced.
    bool isStream = false;
    bool isPipe = false;  // a stream that ends
    bool isSymbolicLink = false;  // only from GetLinkStatus
    // Whether the user running this program owns it.
    bool ownedByUser = false;
    // What makes two paths one file, however they are spelled: the device and
    // inode, or the volume serial number and file index.
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
bool CreateFolder(const std::wstring& path);

// Whether `path` is `folder` or lies below it, with either kind of separator
// and letters compared as the system's file names are (ignoring case on
// Windows). Compares spellings; links are not followed.
bool IsInFolder(std::wstring_view path, std::wstring_view folder);

// Whether this user may create files in `folder`.
bool CanWriteIn(const std::wstring& folder);

// Removes the file, or the symbolic link itself, at `path`; never a folder.
// False when nothing was removed.
bool RemoveFile(const std::wstring& path);

}  // namespace orvan::platform
