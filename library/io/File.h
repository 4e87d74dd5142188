#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

namespace Dorv::Orvan::Framework::Common {

// An open file descriptor. Every failing call throws OrvanIoException naming
// the path; every call passes through the fault-injection seam.
class File {
public:
    static File OpenForReading(const std::wstring& path);

    File() = default;
    File(int descriptor, std::wstring path) : descriptor_(descriptor), path_(std::move(path)) {}
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    std::uint64_t Size() const;
    // Reads up to buffer.size() bytes at `offset`; fewer only at the end of the file.
    std::size_t ReadAt(std::span<std::byte> buffer, std::uint64_t offset) const;
    // Reads from the current position; 0 at the end of the file.
    std::size_t Read(std::span<std::byte> buffer) const;
    void WriteAll(std::span<const std::byte> data) const;
    void WriteAt(std::span<const std::byte> data, std::uint64_t offset) const;
    void Sync() const;
    // Closes and reports a failing close, which can be a lost write.
    void Close();

    int Descriptor() const { return descriptor_; }
    const std::wstring& Path() const { return path_; }
    // The descriptor, which the caller closes from now on.
    int Release() { return std::exchange(descriptor_, -1); }

private:
    int descriptor_ = -1;
    std::wstring path_;
};

// Creates the file at `path` through a temporary file beside it: it appears,
// readable by its owner only, with its whole content or not at all, and an
// existing file at `path` stays as it was until Commit. Writes go out in large
// pieces; earlier bytes can be patched while writing.
class AtomicFileWriter {
public:
    // With `durable`, Commit also waits until the file and its folder entry are on disk.
    explicit AtomicFileWriter(std::wstring path, bool durable = true);
    ~AtomicFileWriter();  // removes the temporary file unless committed
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void Write(std::span<const std::byte> data);
    // Overwrites bytes written before, at `offset` from the start.
    void Patch(std::uint64_t offset, std::span<const std::byte> data);
    std::uint64_t Position() const { return flushed_ + buffer_.size(); }

    // Flushes, syncs (when durable), closes, renames over the target and
    // syncs its folder (when durable).
    void Commit();
    // Flushes and keeps the temporary file itself instead of renaming it: the
    // file returned stays open and locked, so that RemoveStaleTemporaries
    // leaves it alone while it lives; whoever holds it removes it.
    File Keep();

    // Hands what was written so far to the file, where others opening the
    // temporary file find it.
    void Flush();
    const std::wstring& TemporaryPath() const { return temporaryPath_; }

private:
    void StartWriteback();

    std::wstring path_;
    std::wstring temporaryPath_;
    File file_;
    std::vector<std::byte> buffer_;
    std::uint64_t flushed_ = 0;
    std::uint64_t writebackStarted_ = 0;  // bytes before this the disk is writing already
    bool durable_;
    bool committed_ = false;
};

// Whether `name` names, to the file system, a file of the form of the
// temporary files that AtomicFileWriter makes: ".<name>.tmp-XXXXXX" (on
// Windows also ".<name>.TMP-XXXXXX.", say). They are readable by their owner
// only and named short enough for any target name a file name can be.
bool IsTemporaryName(std::wstring_view name);

// Removes the temporary files in `folder` that a writer killed before its
// Commit left behind; a writer still at work keeps its own.
void RemoveStaleTemporaries(const std::wstring& folder);
// The same for the temporary files of the one file at `path` only.
void RemoveStaleTemporariesOf(const std::wstring& path);

// Makes the file at `path` the same file as `existing` (a hard link), as
// atomically and durably as a save: through a temporary link beside `path`,
// flushed, renamed, the folder flushed. False, with nothing changed, when the
// two cannot share a file (another file system); throws when a step fails.
bool LinkReplacing(const std::wstring& existing, const std::wstring& path);

// Gives the file open at `descriptor`, made without a name (O_TMPFILE), the
// name `path`, replacing a file there at once, without waiting for the disk.
// False, with nothing changed, when it cannot be linked there.
bool NameUnnamedFile(int descriptor, const std::wstring& path);
// Starts writing the file at `path` to the disk on a thread of its own and
// returns that thread (joined when it goes), so that a later flush of the file
// finds its work done. Failures are left to that later flush to report; when
// no thread can be started, nothing happens.
std::jthread FlushInBackground(const std::wstring& path);

// The folder part of `path` ("." when it has none) and the last component.
std::wstring ParentFolder(const std::wstring& path);
std::wstring LastComponent(const std::wstring& path);

}  // namespace Dorv::Orvan::Framework::Common
