#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/FileSystem.h"

// The system's file calls, on descriptors as the C runtime numbers them, in
// the form POSIX gives them: a failing call returns -1 (or false) with errno
// set; on Windows its error is mapped to the nearest errno value, so that the
// messages and the callers' decisions are the same on both systems. Every file
// this program opens can be renamed and removed while open (as POSIX files
// always can), which an atomic save over a file someone is reading needs.
namespace orvan::platform {

enum class OpenFor { Reading, Writing };
int OpenFile(const std::wstring& path, OpenFor purpose);
// Creates the file, which must not exist yet, readable and writable by its
// owner only, and opens it for reading and writing. With `locked` it also
// takes the exclusive lock (TryLockFile) before any other program could
// remove the file for want of one.
int CreateNewFile(const std::wstring& path, bool locked = false);
// Creates a file without a name in `folder`, owner-only, for reading and
// writing; -1 with EOPNOTSUPP where the system or the file system has none.
int CreateUnnamedFile(const std::wstring& folder);
int CloseFile(int descriptor);
int DuplicateFile(int descriptor);

std::int64_t ReadSome(int descriptor, void* into, std::size_t size);
std::int64_t ReadSomeAt(int descriptor, void* into, std::size_t size, std::uint64_t offset);
std::int64_t WriteSome(int descriptor, const void* data, std::size_t size);
std::int64_t WriteSomeAt(int descriptor, const void* data, std::size_t size, std::uint64_t offset);
// The position of sequential reads and writes.
std::int64_t FilePosition(int descriptor);
int SetFilePosition(int descriptor, std::uint64_t position);

// Waits until the file's content and its size are on disk.
int SyncFile(int descriptor);
// Waits until the names in `folder` are on disk (a rename into it, say).
int SyncFolder(const std::wstring& folder);
// Asks the system to start writing the range to disk, without waiting.
void StartWriteback(int descriptor, std::uint64_t offset, std::uint64_t length);

// Takes the exclusive lock on the whole file, or fails at once (EWOULDBLOCK)
// when another open file holds it. It goes with the last descriptor.
bool TryLockFile(int descriptor);

// Renames `from` to `to`, replacing a file there at once.
int RenameFile(const std::wstring& from, const std::wstring& to);
// Renames the file open at `descriptor`, made by CreateNewFile or
// CreateUnnamedFile and named `from`, to `to`, replacing a file there at once.
int RenameOpenFile(int descriptor, const std::wstring& from, const std::wstring& to);
// Gives `existing` a second name (a hard link); EEXIST when `name` is taken.
int LinkFile(const std::wstring& existing, const std::wstring& name);
// Gives the open file without a name its first name; false, with errno set,
// when it cannot (EEXIST when `name` is taken).
bool LinkOpenFile(int descriptor, const std::wstring& name);

// Status of the open file.
std::optional<FileStatus> GetOpenFileStatus(int descriptor);
// Status of what is at `path` itself: a symbolic link is not followed.
std::optional<FileStatus> GetLinkStatus(const std::wstring& path);
// The names in `folder`, without "." and ".."; empty when it cannot be read.
std::vector<std::wstring> ListFolder(const std::wstring& folder);
// Removes the empty folder at `path`.
bool RemoveFolder(const std::wstring& path);
// Bytes free to this user on the file system holding `folder`.
std::optional<std::uint64_t> FreeSpace(const std::wstring& folder);

// How many files this process has open now, and the most it may (nothing
// where the system sets no such limit).
std::size_t OpenFileCount();
std::optional<std::size_t> OpenFileLimit();
// Raises the limit towards `wanted` as far as allowed; the limit now in force.
std::optional<std::size_t> RaiseOpenFileLimit(std::size_t wanted);
void RestoreOpenFileLimit(std::size_t limit);

}  // namespace orvan::platform
