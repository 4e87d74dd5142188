#include "library/io/File.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <random>
#include <string_view>
#include <system_error>
#include <utility>

#include "library/io/FaultInjection.h"
#include "library/io/StartWorker.h"
#include "library/OrvanException.h"
#include "platform/FileCalls.h"
#include "platform/FileName.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

namespace sys = orvan::platform;
using orvan::platform::ToUtf8;

constexpr std::size_t kWriteChunk = 1 << 20;

[[noreturn]] void Fail(const std::wstring& path, const wchar_t* what, int error) {
    throw OrvanIoException(L"cannot " + std::wstring(what) + L" " + DescribeSystemError(path, error));
}

// Runs a system call unless the seam makes it fail; returns its result, or -1
// with errno set.
template <typename Call>
auto Checked(FileOperation operation, Call call) -> decltype(call()) {
    if (const int injected = FaultInjection::FileFails(operation)) {
        errno = injected;
        return -1;
    }
    return call();
}

void SyncFolder(const std::wstring& folder) {
    if (Checked(FileOperation::Sync, [&] { return sys::SyncFolder(folder); }) != 0) {
        Fail(folder, L"synchronise the folder", errno);
    }
}

constexpr std::string_view kTemporaryTail = ".tmp-XXXXXX";

// The pattern of a temporary file for `path`: ".<name>.tmp-XXXXXX"
// beside it, or, for a name with no room for the 12 more bytes, the name's
// hash in its place.
std::wstring TemporaryPattern(const std::wstring& path) {
    constexpr std::size_t kMaxNameBytes = 255;
    std::string name = ToUtf8(LastComponent(path));
    if (1 + name.size() + kTemporaryTail.size() > kMaxNameBytes) {
        std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
        for (const char c : name) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
        }
        char hex[17];
        std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
        name = hex;
    }
    return ParentFolder(path) + sys::kPathSeparator + L"." + sys::FromUtf8(name + std::string(kTemporaryTail));
}

// Reads until `buffer` is full or the file ends; `readSome(into, size, done)`
// is one read after `done` bytes.
template <typename ReadSome>
std::size_t ReadFully(const std::wstring& path, std::span<std::byte> buffer, ReadSome readSome) {
    std::size_t done = 0;
    while (done < buffer.size()) {
        const std::int64_t n =
            Checked(FileOperation::Read, [&] { return readSome(buffer.data() + done, buffer.size() - done, done); });
        if (n < 0) {
            Fail(path, L"read", errno);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

}  // namespace

bool IsTemporaryName(std::wstring_view name) {
    // Compared as the file system compares names.
    const std::wstring key = sys::FileNameKey(name);
    const std::wstring tail = sys::FileNameKey(L".tmp-");
    return key.size() > 1 + tail.size() + 6 && key.front() == L'.' &&
           key.compare(key.size() - 6 - tail.size(), tail.size(), tail) == 0;
}

namespace {

// Links a file, by `link(name)`, under a fresh unused temporary name beside
// `path`; that name, or nothing when the file cannot be linked there.
template <typename Link>
std::optional<std::wstring> LinkAsTemporary(const std::wstring& path, Link link) {
    // A random name, linked at once: a link never replaces a name, so no
    // placeholder is needed, and none can stand unlocked under the name that
    // another import's RemoveStaleTemporaries would then remove.
    thread_local std::mt19937_64 random{std::random_device{}()};
    static constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0;; ++attempt) {
        std::wstring pattern = TemporaryPattern(path);
        for (std::size_t i = pattern.size() - 6; i < pattern.size(); ++i) {
            pattern[i] = static_cast<wchar_t>(kLetters[random() % kLetters.size()]);
        }
        if (link(pattern)) {
            return pattern;
        }
        if (errno != EEXIST || attempt > 8) {
            return std::nullopt;
        }
    }
}

// Removes the unlocked temporary files in `folder` whose names begin, as the
// file system compares names, with `prefix`.
void RemoveStale(const std::wstring& folder, const std::wstring& prefix) {
    const std::wstring prefixKey = sys::FileNameKey(prefix);
    for (const std::wstring& name : sys::ListFolder(folder)) {
        if (!IsTemporaryName(name) || !sys::FileNameKey(name).starts_with(prefixKey)) {
            continue;
        }
        // A writer holds its temporary file locked while it lives.
        const std::wstring path = folder + sys::kPathSeparator + name;
        const auto status = sys::GetLinkStatus(path);
        if (!status || !status->isRegularFile || !status->ownedByUser) {
            continue;
        }
        const int file = sys::OpenFile(path, sys::OpenFor::Reading);
        if (file < 0) {
            continue;
        }
        const auto opened = sys::GetOpenFileStatus(file);
        if (opened && opened->SameFileAs(*status) && sys::TryLockFile(file)) {
            sys::RemoveFile(path);
        }
        sys::CloseFile(file);
    }
}

}  // namespace

void RemoveStaleTemporaries(const std::wstring& folder) { RemoveStale(folder, {}); }

void RemoveStaleTemporariesOf(const std::wstring& path) {
    const std::wstring name = LastComponent(TemporaryPattern(path));
    RemoveStale(ParentFolder(path), name.substr(0, name.size() - 6));  // without the XXXXXX
}

File File::OpenForReading(const std::wstring& path) {
    const int descriptor =
        Checked(FileOperation::Open, [&] { return sys::OpenFile(path, sys::OpenFor::Reading); });
    if (descriptor < 0) {
        Fail(path, L"open", errno);
    }
    return File(descriptor, path);
}

File::~File() {
    if (descriptor_ >= 0) {
        sys::CloseFile(descriptor_);
    }
}

File::File(File&& other) noexcept
    : descriptor_(std::exchange(other.descriptor_, -1)), path_(std::move(other.path_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (descriptor_ >= 0) {
            sys::CloseFile(descriptor_);
        }
        descriptor_ = std::exchange(other.descriptor_, -1);
        path_ = std::move(other.path_);
    }
    return *this;
}

std::uint64_t File::Size() const {
    const auto status = sys::GetOpenFileStatus(descriptor_);
    if (!status) {
        Fail(path_, L"query", errno);
    }
    return status->size;
}

std::size_t File::ReadAt(std::span<std::byte> buffer, std::uint64_t offset) const {
    return ReadFully(path_, buffer, [&](std::byte* into, std::size_t size, std::size_t done) {
        return sys::ReadSomeAt(descriptor_, into, size, offset + done);
    });
}

std::size_t File::Read(std::span<std::byte> buffer) const {
    return ReadFully(path_, buffer, [&](std::byte* into, std::size_t size, std::size_t) {
        return sys::ReadSome(descriptor_, into, size);
    });
}

void File::WriteAll(std::span<const std::byte> data) const {
    while (!data.empty()) {
        const std::int64_t n = Checked(FileOperation::Write, [&] {
            return sys::WriteSome(descriptor_, data.data(), std::min(data.size(), kWriteChunk));
        });
        if (n < 0) {
            Fail(path_, L"write", errno);
        }
        data = data.subspan(static_cast<std::size_t>(n));
    }
}

void File::WriteAt(std::span<const std::byte> data, std::uint64_t offset) const {
    while (!data.empty()) {
        const std::int64_t n = Checked(FileOperation::Write, [&] {
            return sys::WriteSomeAt(descriptor_, data.data(), std::min(data.size(), kWriteChunk), offset);
        });
        if (n < 0) {
            Fail(path_, L"write", errno);
        }
        data = data.subspan(static_cast<std::size_t>(n));
        offset += static_cast<std::uint64_t>(n);
    }
}

void File::Sync() const {
    if (Checked(FileOperation::Sync, [&] { return sys::SyncFile(descriptor_); }) != 0) {
        Fail(path_, L"synchronise", errno);
    }
}

void File::Close() {
    const int descriptor = std::exchange(descriptor_, -1);
    // A failed close must not be retried: the descriptor is gone either way.
    const int injected = FaultInjection::FileFails(FileOperation::Close);
    const int result = sys::CloseFile(descriptor);
    if (injected != 0 || result != 0) {
        Fail(path_, L"close", injected != 0 ? injected : errno);
    }
}

AtomicFileWriter::AtomicFileWriter(std::wstring path, bool durable)
    : path_(std::move(path)), durable_(durable) {
    // The lock tells RemoveStaleTemporaries that the file is in use, so it is
    // taken before the file has a name where it can be: made without one,
    // locked, then linked under a temporary name.
    const std::wstring folder = ParentFolder(path_);
    int descriptor = Checked(FileOperation::Open, [&] { return sys::CreateUnnamedFile(folder); });
    std::optional<std::wstring> temporary;
    if (descriptor >= 0) {
        sys::TryLockFile(descriptor);  // a file nobody else can see yet: it cannot fail
        temporary = LinkAsTemporary(path_, [&](const std::wstring& name) { return sys::LinkOpenFile(descriptor, name); });
        if (!temporary) {
            sys::CloseFile(descriptor);  // no way to name it here (no /proc): the way below
            descriptor = -1;
            errno = EOPNOTSUPP;
        }
    }
    if (descriptor < 0 && errno == EOPNOTSUPP) {
        // A system without unnamed files: the name comes first, and the lock a
        // moment later.
        temporary = LinkAsTemporary(path_, [&](const std::wstring& name) {
            descriptor = Checked(FileOperation::Open, [&] { return sys::CreateNewFile(name, /*locked=*/true); });
            return descriptor >= 0;
        });
    }
    if (descriptor < 0) {
        Fail(path_, L"create a temporary file for", errno);
    }
    temporaryPath_ = std::move(*temporary);
    file_ = File(descriptor, path_);  // messages name the file the caller asked for
}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_) {
        file_ = File();
        sys::RemoveFile(temporaryPath_);
    }
}

void AtomicFileWriter::Write(std::span<const std::byte> data) {
    // Large pieces go straight to the file; small ones gather first.
    if (buffer_.size() + data.size() > kWriteChunk) {
        Flush();
    }
    if (data.size() >= kWriteChunk) {
        file_.WriteAll(data);
        flushed_ += data.size();
        StartWriteback();
        return;
    }
    if (buffer_.capacity() == 0) {
        buffer_.reserve(kWriteChunk);
    }
    buffer_.insert(buffer_.end(), data.begin(), data.end());
}

void AtomicFileWriter::Patch(std::uint64_t offset, std::span<const std::byte> data) {
    // The piece may lie on disk, in the buffer or across both.
    while (!data.empty() && offset < flushed_) {
        const auto onDisk = static_cast<std::size_t>(std::min<std::uint64_t>(data.size(), flushed_ - offset));
        file_.WriteAt(data.first(onDisk), offset);
        data = data.subspan(onDisk);
        offset += onDisk;
    }
    if (!data.empty()) {
        std::memcpy(buffer_.data() + (offset - flushed_), data.data(), data.size());
    }
}

void AtomicFileWriter::Flush() {
    if (!buffer_.empty()) {
        file_.WriteAll(buffer_);
        flushed_ += buffer_.size();
        buffer_.clear();
        StartWriteback();
    }
}

void AtomicFileWriter::StartWriteback() {
    // The disk writes what is done while the rest is still being made, so a
    // flush at the end (this one's, or a later take-over's) finds little left.
    // Only a hint: the kernel starts the writes and does not wait for them.
    constexpr std::uint64_t kEvery = 16 << 20;
    if (flushed_ - writebackStarted_ >= kEvery) {
        sys::StartWriteback(file_.Descriptor(), writebackStarted_, flushed_ - writebackStarted_);
        writebackStarted_ = flushed_;
    }
}

void AtomicFileWriter::Commit() {
    Flush();
    if (durable_) {
        file_.Sync();
    }
    // The lock goes with the file's last descriptor: a second one, kept until
    // the rename, keeps the name locked for as long as it can be seen.
    const File lockHolder(sys::DuplicateFile(file_.Descriptor()), temporaryPath_);
    file_.Close();
    if (Checked(FileOperation::Rename, [&] {
            return sys::RenameOpenFile(lockHolder.Descriptor(), temporaryPath_, path_);
        }) != 0) {
        Fail(path_, L"rename the temporary file to", errno);
    }
    committed_ = true;
    if (durable_) {
        SyncFolder(ParentFolder(path_));
    }
}

File AtomicFileWriter::Keep() {
    Flush();
    committed_ = true;  // the file is the holder's now, under its temporary name
    return File(file_.Release(), temporaryPath_);
}

namespace {

// Renames the temporary link onto `path`, or removes it and throws.
void RenameLinked(const std::wstring& temporary, const std::wstring& path, bool durable) {
    try {
        if (durable) {
            const int descriptor =
                Checked(FileOperation::Open, [&] { return sys::OpenFile(temporary, sys::OpenFor::Reading); });
            if (descriptor < 0) {
                Fail(path, L"open", errno);
            }
            File linked(descriptor, temporary);
            linked.Sync();
            linked.Close();
        }
        if (Checked(FileOperation::Rename, [&] { return sys::RenameFile(temporary, path); }) != 0) {
            Fail(path, L"rename the temporary file to", errno);
        }
    } catch (...) {
        sys::RemoveFile(temporary);
        throw;
    }
    if (durable) {
        SyncFolder(ParentFolder(path));
    }
}

}  // namespace

bool LinkReplacing(const std::wstring& existing, const std::wstring& path) {
    const auto temporary =
        LinkAsTemporary(path, [&](const std::wstring& name) { return sys::LinkFile(existing, name) == 0; });
    if (!temporary) {
        return false;
    }
    RenameLinked(*temporary, path, /*durable=*/true);
    return true;
}

bool NameUnnamedFile(int descriptor, const std::wstring& path) {
    const auto link = [&](const std::wstring& name) { return sys::LinkOpenFile(descriptor, name); };
    // A link appears with the whole file at once; only a name taken already
    // needs the way through a temporary name and a rename over it.
    if (link(path)) {
        return true;
    }
    if (errno == EEXIST) {
        // Locked like every writer's temporary file, so that another import's
        // RemoveStaleTemporaries leaves the temporary name alone.
        sys::TryLockFile(descriptor);
        errno = EEXIST;
    }
    const auto temporary = errno == EEXIST ? LinkAsTemporary(path, link) : std::nullopt;
    if (!temporary) {
        return false;
    }
    RenameLinked(*temporary, path, /*durable=*/false);
    return true;
}

std::jthread FlushInBackground(const std::wstring& path) {
    return StartWorker("FlushInBackground", [path] {
        // Deliberately past the test seam: what this flush meets, the real one meets again.
        const int descriptor = sys::OpenFile(path, sys::OpenFor::Reading);
        if (descriptor >= 0) {
            sys::SyncFile(descriptor);
            sys::CloseFile(descriptor);
        }
    });
}

std::wstring ParentFolder(const std::wstring& path) {
    const auto slash = path.find_last_of(sys::kPathSeparators);
    if (slash == std::wstring::npos) {
        return L".";
    }
    // A root ("/", "C:\\") keeps its separator: without it, it names another folder.
    const bool root = slash == 0 || (slash == 2 && path[1] == L':');
    return path.substr(0, root ? slash + 1 : slash);
}

std::wstring LastComponent(const std::wstring& path) {
    const auto slash = path.find_last_of(sys::kPathSeparators);
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace Dorv::Orvan::Framework::Common
