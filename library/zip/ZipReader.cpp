#include "library/zip/ZipReader.h"

#include <zlib.h>

#include <algorithm>
#include <unordered_set>

#include "library/io/Quoted.h"

#include "library/zip/Crc32.h"
#include "library/OrvanException.h"
#include "library/zip/ZipFormat.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using namespace Zip;
using orvan::platform::FromUtf8;

constexpr std::size_t kChunk = 1 << 20;

[[noreturn]] void Bad(const std::wstring& archive, const std::string& entry, const std::wstring& problem) {
    throw OrvanFormatException(EntryLocation(archive, entry) + L": " + problem);
}

// Entry names must be plain relative paths that no extractor could misplace.
std::wstring NameProblem(const std::string& name) {
    if (name.empty()) {
        return L"empty name";
    }
    if (name.size() > ZipLimits::kMaxNameBytes) {
        return L"name longer than 255 bytes";
    }
    if (name.find('\0') != std::string::npos) {
        return L"name contains a NUL character";
    }
    if (name.find('\\') != std::string::npos) {
        return L"name contains a backslash";
    }
    if (name.front() == '/' || (name.size() >= 2 && name[1] == ':')) {
        return L"absolute name";
    }
    if (orvan::platform::ToUtf8(FromUtf8(name)) != name) {
        return L"name is not valid UTF-8";
    }
    std::size_t start = 0;
    while (start <= name.size()) {
        const std::size_t end = std::min(name.find('/', start), name.size());
        const std::string_view part(name.data() + start, end - start);
        if (part.empty() || part == "." || part == "..") {
            return L"name contains an empty, '.' or '..' component";
        }
        start = end + 1;
    }
    return {};
}

// Flags that change what an entry's bytes mean: encryption (0, 6, 13) and
// patch data (5). A data descriptor (3) only repeats what the central
// directory says, so it is checked and accepted.
constexpr std::uint16_t kEncryptionFlags = 0x0001 | 0x0040 | 0x2000;
constexpr std::uint16_t kPatchDataFlag = 0x0020;
constexpr std::uint32_t kUnixRegularFile = 0100000u;
constexpr std::uint32_t kUnixFolder = 0040000u;
// Info-ZIP's Unicode path: a second name that some readers prefer to the first.
constexpr std::uint16_t kUnicodePathExtraId = 0x7075;

// Calls `visit(id, data)` for each record of an extra field; false when the
// records do not fill the field exactly.
template <typename Visit>
bool ForEachExtraField(std::span<const std::byte> extra, Visit&& visit) {
    std::size_t x = 0;
    while (x + 4 <= extra.size()) {
        const std::size_t size = U16(extra, x + 2);
        if (x + 4 + size > extra.size()) {
            return false;
        }
        visit(U16(extra, x), extra.subspan(x + 4, size));
        x += 4 + size;
    }
    return x == extra.size();
}

// Where the central directory is, as the end records give it.
struct DirectoryPlace {
    std::uint64_t count = 0;
    std::uint64_t size = 0;
    std::uint64_t offset = 0;
    std::uint64_t end = 0;  // where the records after the directory begin
};

// Whether an end record begins at `at` of `tail`, its comment reaching exactly to the file's end.
bool EndRecordAt(std::span<const std::byte> tail, std::size_t at) {
    return U32(tail, at) == kEndSignature && at + kEndSize + U16(tail, at + 20) == tail.size();
}

// The end record's place in `tail`, the file's last bytes. A comment that holds
// ZIP records could show a reader that searches differently another directory
// than this one.
std::size_t FindEndRecord(const std::wstring& path, std::span<const std::byte> tail) {
    std::size_t endAt = std::string::npos;
    for (std::size_t at = tail.size() - kEndSize + 1; at-- > 0;) {
        if (EndRecordAt(tail, at)) {
            endAt = at;
            break;
        }
    }
    if (endAt == std::string::npos) {
        Bad(path, {}, L"not a ZIP archive (no end record)");
    }
    for (std::size_t at = endAt; at-- > 0;) {
        if (EndRecordAt(tail, at)) {
            Bad(path, {}, L"the archive comment holds ZIP records");  // an end record inside another's comment
        }
    }
    const std::span<const std::byte> comment = tail.subspan(endAt + kEndSize);
    for (std::size_t at = 0; at + 4 <= comment.size(); ++at) {
        const std::uint32_t word = U32(comment, at);
        if (word == kEndSignature || word == kEnd64Signature || word == kEnd64LocatorSignature ||
            word == kCentralHeaderSignature || word == kLocalHeaderSignature) {
            Bad(path, {}, L"the archive comment holds ZIP records");
        }
    }
    return endAt;
}

// The classic end record's fields; a field at its maximum may stand for a
// value in the ZIP64 end record.
struct EndFields {
    std::uint64_t disk = 0;
    std::uint64_t directoryDisk = 0;
    std::uint64_t countOnDisk = 0;
    DirectoryPlace place;

    bool AnyAtMaximum() const {
        return disk == kMax16 || directoryDisk == kMax16 || countOnDisk == kMax16 || place.count == kMax16 ||
               place.size == kMax32 || place.offset == kMax32;
    }
};

// Whether the 20 bytes before the end record at `endOffset` are a ZIP64 end locator.
bool HasEnd64Locator(const File& file, std::uint64_t endOffset) {
    if (endOffset < kEnd64LocatorSize) {
        return false;
    }
    std::vector<std::byte> signature(4);
    file.ReadAt(signature, endOffset - kEnd64LocatorSize);
    return U32(signature, 0) == kEnd64LocatorSignature;
}

// Replaces the classic end record's values in `end` by those of the ZIP64
// end record before it at `endOffset`.
void ReadEnd64(const File& file, std::uint64_t endOffset, EndFields& classic) {
    const std::wstring& path = file.Path();
    if (endOffset < kEnd64LocatorSize + kEnd64Size) {
        Bad(path, {}, L"ZIP64 end record missing");
    }
    std::vector<std::byte> locatorBytes(kEnd64LocatorSize);
    file.ReadAt(locatorBytes, endOffset - kEnd64LocatorSize);
    Cursor locator(locatorBytes);
    const std::uint32_t locatorSignature = locator.U32();
    const std::uint32_t locatorDisk = locator.U32();
    const std::uint64_t end64Offset = locator.U64();
    const std::uint32_t diskCount = locator.U32();
    if (locatorSignature != kEnd64LocatorSignature || end64Offset != endOffset - kEnd64LocatorSize - kEnd64Size) {
        Bad(path, {}, L"ZIP64 end locator missing or misplaced");
    }
    if (locatorDisk != 0 || diskCount > 1) {
        Bad(path, {}, L"ZIP64 end locator describes a multi-part archive");
    }
    std::vector<std::byte> end64Bytes(kEnd64Size);
    file.ReadAt(end64Bytes, end64Offset);
    Cursor end64(end64Bytes);
    const std::uint32_t signature = end64.U32();
    const std::uint64_t recordSize = end64.U64();
    const std::uint32_t disk = end64.Skip(4).U32();  // after the versions
    const std::uint32_t directoryDisk = end64.U32();
    const std::uint64_t countOnDisk = end64.U64();
    const std::uint64_t count = end64.U64();
    const std::uint64_t size = end64.U64();
    const std::uint64_t offset = end64.U64();
    if (signature != kEnd64Signature || recordSize != kEnd64Size - 12) {
        Bad(path, {}, L"ZIP64 end record is damaged");
    }
    if (disk != 0 || directoryDisk != 0 || countOnDisk != count) {
        Bad(path, {}, L"ZIP64 end record describes a multi-part archive");
    }
    // A classic field is either "see the ZIP64 record" or the same value.
    const auto agrees = [](std::uint64_t value, std::uint64_t max, std::uint64_t value64) {
        return value == max || value == value64;
    };
    if (!agrees(classic.disk, kMax16, disk) || !agrees(classic.directoryDisk, kMax16, directoryDisk) ||
        !agrees(classic.countOnDisk, kMax16, countOnDisk) || !agrees(classic.place.count, kMax16, count) ||
        !agrees(classic.place.size, kMax32, size) || !agrees(classic.place.offset, kMax32, offset)) {
        Bad(path, {}, L"the end record and the ZIP64 end record disagree");
    }
    classic = EndFields{disk, directoryDisk, countOnDisk, DirectoryPlace{count, size, offset, end64Offset}};
}

DirectoryPlace FindDirectory(const File& file, std::uint64_t fileSize) {
    const std::wstring& path = file.Path();
    if (fileSize < kEndSize) {
        Bad(path, {}, L"not a ZIP archive (too short)");
    }
    // The end record is the last 22 bytes plus a comment of at most 65535 bytes.
    const auto tailSize = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kEndSize + kMax16));
    std::vector<std::byte> tail(tailSize);
    file.ReadAt(tail, fileSize - tailSize);
    const std::size_t endAt = FindEndRecord(path, tail);
    const std::uint64_t endOffset = fileSize - tailSize + endAt;

    Cursor record{std::span<const std::byte>(tail).subspan(endAt + 4)};  // after the signature
    EndFields end;
    end.disk = record.U16();
    end.directoryDisk = record.U16();
    end.countOnDisk = record.U16();
    end.place.count = record.U16();
    end.place.size = record.U32();
    end.place.offset = record.U32();
    end.place.end = endOffset;
    // Fields at their maximum, the disk numbers too, are read through the
    // ZIP64 record; one that is present where nothing needs it counts as well.
    if (end.AnyAtMaximum() || HasEnd64Locator(file, endOffset)) {
        ReadEnd64(file, endOffset, end);
    }
    const DirectoryPlace& place = end.place;
    if (end.disk != 0 || end.directoryDisk != 0 || end.countOnDisk != place.count) {
        Bad(path, {}, L"end record describes a multi-part archive");
    }
    if (place.count > ZipLimits::kMaxEntries) {
        Bad(path, {}, L"too many entries (" + std::to_wstring(place.count) + L")");
    }
    if (place.size > ZipLimits::kMaxDirectoryBytes || place.offset > place.end ||
        place.size != place.end - place.offset || place.count * kCentralHeaderSize > place.size) {
        Bad(path, {}, L"central directory offset, size or count is wrong");
    }
    return place;
}

// Takes the ZIP64 values of the entry's sizes and offset from its extra field:
// those whose classic field is at its maximum, in this order.
void ReadCentralExtra(const std::wstring& path, std::span<const std::byte> extra, ZipReader::Entry& e) {
    bool haveZip64 = false;
    const bool wellFormed = ForEachExtraField(extra, [&](std::uint16_t id, std::span<const std::byte> field) {
        if (id == kUnicodePathExtraId) {
            Bad(path, e.name, L"a second name in an extra field");
        }
        if (id != kZip64ExtraId) {
            return;  // extra fields this format does not need mean nothing to it
        }
        haveZip64 = true;
        Cursor values(field);
        for (std::uint64_t* value : {&e.uncompressedSize, &e.compressedSize, &e.headerOffset}) {
            if (*value == kMax32) {
                if (values.Remaining() < 8) {
                    Bad(path, e.name, L"ZIP64 field is missing");
                }
                *value = values.U64();
            }
        }
        if (values.Remaining() != 0) {
            Bad(path, e.name, L"ZIP64 field has the wrong length");
        }
    });
    if (!wellFormed) {
        Bad(path, e.name, L"extra field is damaged");
    }
    if (!haveZip64 && (e.uncompressedSize == kMax32 || e.compressedSize == kMax32 || e.headerOffset == kMax32)) {
        Bad(path, e.name, L"ZIP64 field is missing");
    }
}

// The method and the sizes make sense together.
void CheckSizes(const std::wstring& path, const ZipReader::Entry& e) {
    if (e.method != kMethodStored && e.method != kMethodDeflated) {
        Bad(path, e.name, L"unsupported compression method " + std::to_wstring(e.method));
    }
    if (e.method == kMethodStored && e.compressedSize != e.uncompressedSize) {
        Bad(path, e.name, L"stored entry with different compressed and uncompressed sizes");
    }
    // No deflate stream yields more than 1032 bytes per byte (a 258-byte
    // match in two bits), so a larger claim is a lie, refused before a
    // byte is inflated; content is never inflated beyond its claim, so
    // what an archive can cost is bounded by its size and by the total.
    if (e.method == kMethodDeflated && e.uncompressedSize > 0 &&
        e.compressedSize < (e.uncompressedSize - 1) / ZipLimits::kMaxDeflateRatio + 1) {
        Bad(path, e.name, L"declares more content than deflate can produce from " +
                              std::to_wstring(e.compressedSize) + L" bytes");
    }
}

// Reads the central directory header at the cursor, number `index` from 0,
// with its name, extra field and comment, and checks what it says of itself.
ZipReader::Entry ReadCentralEntry(const std::wstring& path, Cursor& directory, std::uint64_t index) {
    const auto damaged = [&] {
        Bad(path, {}, L"central directory entry " + std::to_wstring(index + 1) + L" is damaged");
    };
    if (directory.Remaining() < kCentralHeaderSize) {
        damaged();
    }
    Cursor header = directory;
    const std::uint32_t signature = header.U32();
    const std::uint16_t madeBy = header.U16();
    ZipReader::Entry e;
    e.flags = header.Skip(2).U16();  // after the version needed
    e.method = header.U16();
    e.crc = header.Skip(4).U32();  // after the time and date
    e.compressedSize = header.U32();
    e.uncompressedSize = header.U32();
    const std::size_t nameLength = header.U16();
    const std::size_t extraLength = header.U16();
    const std::size_t commentLength = header.U16();
    const std::uint16_t disk = header.U16();
    const std::uint32_t fileType = (header.Skip(2).U32() >> 16) & 0170000u;  // after the internal attributes
    e.headerOffset = header.U32();
    if (signature != kCentralHeaderSignature ||
        directory.Remaining() < kCentralHeaderSize + nameLength + extraLength + commentLength) {
        damaged();
    }
    const std::span<const std::byte> name = header.Take(nameLength);
    const std::span<const std::byte> extra = header.Take(extraLength);
    directory = header.Skip(commentLength);

    e.name.assign(reinterpret_cast<const char*>(name.data()), name.size());
    e.folder = e.name.ends_with('/');
    if (const std::wstring problem = NameProblem(e.folder ? e.name.substr(0, e.name.size() - 1) : e.name);
        !problem.empty()) {
        Bad(path, e.name, problem);
    }
    if ((e.flags & kEncryptionFlags) != 0) {
        Bad(path, e.name, L"encrypted");
    }
    if ((e.flags & kPatchDataFlag) != 0) {
        Bad(path, e.name, L"holds patch data");
    }
    // Without the flag, readers take a name as code page 437.
    if ((e.flags & kFlagUtf8) == 0 && std::any_of(e.name.begin(), e.name.end(), [](char c) { return c & 0x80; })) {
        Bad(path, e.name, L"name is not ASCII and not marked as UTF-8");
    }
    if (disk != 0) {
        Bad(path, e.name, L"entry lies on another disk");
    }
    if ((madeBy >> 8) == 3 && fileType != 0 && fileType != (e.folder ? kUnixFolder : kUnixRegularFile)) {
        Bad(path, e.name, e.folder ? L"folder entry whose attributes name another kind of file"
                                   : L"not a regular file (symbolic link or special file)");
    }
    ReadCentralExtra(path, extra, e);
    CheckSizes(path, e);
    if (e.folder && e.uncompressedSize != 0) {
        Bad(path, e.name, L"folder entry with content");
    }
    return e;
}

class RawSource final : public ByteSource {
public:
    RawSource(const File& file, std::uint64_t offset, std::uint64_t size)
        : file_(file), offset_(offset), remaining_(size) {}

    std::size_t Read(std::span<std::byte> buffer) override {
        const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(buffer.size(), remaining_));
        const std::size_t n = file_.ReadAt(buffer.first(wanted), offset_);
        if (n != wanted) {
            throw OrvanFormatException(EntryLocation(file_.Path()) + L" ends inside an entry");
        }
        offset_ += n;
        remaining_ -= n;
        return n;
    }

private:
    const File& file_;
    std::uint64_t offset_;
    std::uint64_t remaining_;
};

// Decompresses (when deflated) and checks size and CRC as the content streams.
class EntrySource final : public ByteSource {
public:
    EntrySource(const File& file, const ZipReader::Entry& entry)
        : file_(file), entry_(entry), raw_(file, entry.dataOffset, entry.compressedSize) {
        if (entry_.method == kMethodDeflated) {
            // No larger than the compressed data: a small entry costs no fresh megabyte.
            input_.resize(static_cast<std::size_t>(std::clamp<std::uint64_t>(entry.compressedSize, 1, kChunk)));
            if (inflateInit2(&inflate_, -MAX_WBITS) != Z_OK) {
                Fail(L"cannot start decompressing");
            }
            inflating_ = true;
        }
    }
    ~EntrySource() override {
        if (inflating_) {
            inflateEnd(&inflate_);
        }
    }
    EntrySource(const EntrySource&) = delete;
    EntrySource& operator=(const EntrySource&) = delete;

    std::size_t Read(std::span<std::byte> buffer) override {
        if (buffer.empty() || done_) {
            return 0;
        }
        const std::size_t n = entry_.method == kMethodDeflated ? Inflate(buffer) : raw_.Read(buffer);
        produced_ += n;
        crc_ = Crc32(crc_, buffer.first(n));
        if (produced_ > entry_.uncompressedSize) {
            Fail(L"content is longer than declared");
        }
        // The check runs as soon as the declared size is reached, so that a
        // reader taking exactly that many bytes gets it too.
        if (n == 0 || produced_ == entry_.uncompressedSize) {
            Finish();
        }
        return n;
    }

private:
    [[noreturn]] void Fail(const std::wstring& problem) const {
        Bad(file_.Path(), entry_.name, problem);
    }

    std::size_t Inflate(std::span<std::byte> buffer) {
        inflate_.next_out = reinterpret_cast<Bytef*>(buffer.data());
        inflate_.avail_out = static_cast<uInt>(std::min<std::size_t>(buffer.size(), 1u << 30));
        const uInt capacity = inflate_.avail_out;
        while (inflate_.avail_out > 0 && !streamEnded_) {
            if (inflate_.avail_in == 0) {
                const std::size_t n = raw_.Read(input_);
                if (n == 0) {
                    Fail(L"compressed data ends before its end mark");
                }
                inflate_.next_in = reinterpret_cast<Bytef*>(input_.data());
                inflate_.avail_in = static_cast<uInt>(n);
            }
            const int status = inflate(&inflate_, Z_NO_FLUSH);
            if (status == Z_STREAM_END) {
                streamEnded_ = true;
            } else if (status != Z_OK) {
                Fail(L"compressed data is damaged");
            }
        }
        return capacity - inflate_.avail_out;
    }

    void Finish() {
        done_ = true;
        if (entry_.method == kMethodDeflated) {
            std::byte probe[1];
            if (!streamEnded_ && Inflate(probe) != 0) {
                Fail(L"content is longer than declared");
            }
            if (!streamEnded_ || inflate_.avail_in != 0 || raw_.Read(probe) != 0) {
                Fail(streamEnded_ ? L"data follows the end of the compressed stream"
                                  : L"compressed data ends before its end mark");
            }
        }
        if (produced_ != entry_.uncompressedSize) {
            Fail(L"content is shorter than declared");
        }
        if (crc_ != entry_.crc) {
            Fail(L"CRC mismatch: the content is damaged");
        }
    }

    const File& file_;
    ZipReader::Entry entry_;
    RawSource raw_;
    std::vector<std::byte> input_;
    z_stream inflate_{};
    bool inflating_ = false;
    bool streamEnded_ = false;
    bool done_ = false;
    std::uint64_t produced_ = 0;
    std::uint32_t crc_ = 0;
};

}  // namespace

ZipReader::ZipReader(const std::wstring& path) : file_(File::OpenForReading(path)) {
    fileSize_ = file_.Size();
    ReadDirectory();
}

ZipReader::ZipReader(const std::wstring& path, Entry entry) : file_(File::OpenForReading(path)) {
    fileSize_ = file_.Size();
    CheckLocalHeader(entry, fileSize_);
    if (entry.dataOffset > fileSize_ || fileSize_ - entry.dataOffset < entry.compressedSize) {
        Bad(file_.Path(), entry.name, L"data lies beyond the end of the file");
    }
    entries_.push_back(std::move(entry));
    byName_.emplace(entries_.front().name, 0);
}

void ZipReader::ReadDirectory() {
    const DirectoryPlace place = FindDirectory(file_, fileSize_);
    std::vector<std::byte> directory(static_cast<std::size_t>(place.size));
    file_.ReadAt(directory, place.offset);
    Cursor cursor(directory);
    std::uint64_t totalSize = 0;
    std::vector<Entry> all;
    all.reserve(static_cast<std::size_t>(place.count));
    for (std::uint64_t i = 0; i < place.count; ++i) {
        Entry e = ReadCentralEntry(file_.Path(), cursor, i);
        totalSize += e.uncompressedSize;
        if (e.uncompressedSize > ZipLimits::kMaxTotalBytes || totalSize > ZipLimits::kMaxTotalBytes) {
            Bad(file_.Path(), e.name,
                L"content larger than " + std::to_wstring(ZipLimits::kMaxTotalBytes >> 30) + L" GiB");
        }
        CheckLocalHeader(e, place.offset);
        all.push_back(std::move(e));
    }
    if (cursor.Remaining() != 0) {
        Bad(file_.Path(), {}, L"central directory is longer than its entries");
    }
    CheckEveryByteAccounted(all, place.offset);
    CheckNames(all);
    for (Entry& e : all) {
        if (e.folder) {
            CheckFolderEmpty(e);
        } else {
            entries_.push_back(std::move(e));
        }
    }
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        byName_.emplace(entries_[i].name, i);
    }
}

namespace {

std::string FoldedCase(std::string_view name) {
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

}  // namespace

// `all` holds the folder entries too.
void ZipReader::CheckNames(const std::vector<Entry>& all) const {
    // Names that differ only in case would land on one file on many systems.
    std::unordered_set<std::string> folded;
    for (const Entry& e : all) {
        if (!folded.insert(FoldedCase(e.name)).second) {
            Bad(file_.Path(), e.name, L"duplicate entry name");
        }
    }
    std::vector<std::string_view> sortedNames;
    for (const Entry& e : all) {
        if (!e.folder) {
            sortedNames.push_back(e.name);
        }
    }
    std::sort(sortedNames.begin(), sortedNames.end());
    // A folder entry only repeats a folder that the names of the files in it
    // imply; one that is also a file's name would be a file and a folder at once.
    for (const Entry& e : all) {
        if (!e.folder) {
            continue;
        }
        const std::string_view stem = std::string_view(e.name).substr(0, e.name.size() - 1);
        if (folded.contains(FoldedCase(stem))) {
            Bad(file_.Path(), e.name, L"folder entry with the name of a file entry");
        }
        const auto first = std::lower_bound(sortedNames.begin(), sortedNames.end(), std::string_view(e.name));
        if (first == sortedNames.end() || !first->starts_with(e.name)) {
            Bad(file_.Path(), e.name, L"folder entry that holds no entry of the archive");
        }
    }
}

// A folder entry's data, if any, must be an empty stream with the CRC of nothing.
void ZipReader::CheckFolderEmpty(const Entry& folder) const {
    std::byte probe[1];
    Open(folder)->Read(probe);
}

// Entries lie one after the other, in the directory's order, from the file's
// first byte to the directory: bytes no entry accounts for could be read as
// another archive by a reader that walks the file from its start. An entry
// with a data descriptor accounts for it too.
void ZipReader::CheckEveryByteAccounted(const std::vector<Entry>& all, std::uint64_t directoryOffset) const {
    std::uint64_t expected = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const Entry& e = all[i];
        if (e.headerOffset < expected) {
            Bad(file_.Path(), e.name, L"overlaps the entry before it");
        }
        if (e.headerOffset > expected) {
            Bad(file_.Path(), e.name, std::to_wstring(e.headerOffset - expected) +
                                          L" bytes before it belong to no entry");
        }
        expected = e.dataOffset + e.compressedSize;
        const std::uint64_t next = i + 1 < all.size() ? all[i + 1].headerOffset : directoryOffset;
        if ((e.flags & kFlagDataDescriptor) != 0 && next >= expected) {
            CheckDataDescriptor(e, expected, next - expected);
            expected = next;
        }
    }
    if (expected != directoryOffset) {
        Bad(file_.Path(), {}, std::to_wstring(directoryOffset - expected) +
                                  L" bytes before the central directory belong to no entry");
    }
}

// The bytes from `at` to the next entry (or the directory), `size` of them,
// must be one data descriptor that repeats the directory's CRC and sizes: with
// or without its signature, with 32- or 64-bit sizes. Its length tells which.
void ZipReader::CheckDataDescriptor(const Entry& e, std::uint64_t at, std::uint64_t size) const {
    const bool signature = size == 16 || size == 24;
    const bool wideSizes = size == 20 || size == 24;
    if (size == 0) {
        Bad(file_.Path(), e.name, L"data descriptor missing");
    }
    if (size != 12 && size != 16 && size != 20 && size != 24) {
        Bad(file_.Path(), e.name, std::to_wstring(size) + L" bytes after its data are no data descriptor");
    }
    std::vector<std::byte> bytes(static_cast<std::size_t>(size));
    file_.ReadAt(bytes, at);
    Cursor fields(bytes);
    if (signature && fields.U32() != kDataDescriptorSignature) {
        Bad(file_.Path(), e.name, std::to_wstring(size) + L" bytes after its data are no data descriptor");
    }
    const std::uint32_t crc = fields.U32();
    const std::uint64_t compressed = wideSizes ? fields.U64() : fields.U32();
    const std::uint64_t uncompressed = wideSizes ? fields.U64() : fields.U32();
    if (crc != e.crc || compressed != e.compressedSize || uncompressed != e.uncompressedSize) {
        Bad(file_.Path(), e.name, L"data descriptor disagrees with the central directory");
    }
}

void ZipReader::CheckLocalHeader(Entry& e, std::uint64_t directoryOffset) const {
    const std::wstring& path = file_.Path();
    if (e.headerOffset > directoryOffset || directoryOffset - e.headerOffset < kLocalHeaderSize + e.name.size()) {
        Bad(path, e.name, L"local header lies outside the archive's data");
    }
    std::vector<std::byte> header(kLocalHeaderSize + e.name.size());
    file_.ReadAt(header, e.headerOffset);
    Cursor fields(header);
    const std::uint32_t signature = fields.U32();
    const std::uint16_t flags = fields.Skip(2).U16();  // after the version needed
    const std::uint16_t method = fields.U16();
    const std::uint32_t crc = fields.Skip(4).U32();  // after the time and date
    std::uint64_t localCompressed = fields.U32();
    std::uint64_t localUncompressed = fields.U32();
    const std::size_t nameLength = fields.U16();
    const std::size_t extraLength = fields.U16();
    const bool sameName = nameLength == e.name.size() &&
                          std::equal(e.name.begin(), e.name.end(), header.begin() + kLocalHeaderSize,
                                     [](char c, std::byte b) { return static_cast<std::byte>(c) == b; });
    // With a data descriptor, the local header may leave CRC and sizes at 0:
    // they were not known when it was written.
    const bool described = (e.flags & kFlagDataDescriptor) != 0;
    const auto agrees = [described](std::uint64_t local, std::uint64_t central) {
        return local == central || (described && local == 0);
    };
    if (signature != kLocalHeaderSignature || !sameName || flags != e.flags || method != e.method ||
        !agrees(crc, e.crc)) {
        Bad(path, e.name, L"local header disagrees with the central directory");
    }
    if (directoryOffset - e.headerOffset - kLocalHeaderSize - e.name.size() < extraLength) {
        Bad(path, e.name, L"local header lies outside the archive's data");
    }
    std::vector<std::byte> extra(extraLength);
    file_.ReadAt(extra, e.headerOffset + kLocalHeaderSize + e.name.size());
    bool foundZip64 = false;
    // Some writers pad the local extra field, so its bytes need not form records.
    ForEachExtraField(extra, [&](std::uint16_t id, std::span<const std::byte> field) {
        if (id == kUnicodePathExtraId) {
            Bad(path, e.name, L"a second name in an extra field");
        }
        if (id == kZip64ExtraId && field.size() >= 16 && (localCompressed == kMax32 || localUncompressed == kMax32)) {
            localUncompressed = U64(field, 0);
            localCompressed = U64(field, 8);
            foundZip64 = true;
        }
    });
    if ((localCompressed == kMax32 || localUncompressed == kMax32) && !foundZip64) {
        Bad(path, e.name, L"local ZIP64 field is missing");
    }
    if (!agrees(localCompressed, e.compressedSize) || !agrees(localUncompressed, e.uncompressedSize)) {
        Bad(path, e.name, L"local header disagrees with the central directory");
    }
    e.dataOffset = e.headerOffset + kLocalHeaderSize + e.name.size() + extraLength;
    if (e.dataOffset > directoryOffset || e.compressedSize > directoryOffset - e.dataOffset) {
        Bad(path, e.name, L"data reaches beyond the archive's data");
    }
}

const ZipReader::Entry* ZipReader::Find(std::string_view name) const {
    const auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : &entries_[found->second];
}

std::unique_ptr<ByteSource> ZipReader::Open(const Entry& entry) const {
    return std::make_unique<EntrySource>(file_, entry);
}

std::unique_ptr<ByteSource> ZipReader::OpenRaw(const Entry& entry) const {
    return std::make_unique<RawSource>(file_, entry.dataOffset, entry.compressedSize);
}

void ZipReader::RequireAtMost(const Entry& entry, std::uint64_t limit) const {
    if (entry.uncompressedSize > limit) {
        Bad(file_.Path(), entry.name, L"larger than the limit of " + std::to_wstring(limit) + L" bytes");
    }
}

void ZipReader::ReadInto(const Entry& entry, std::span<std::byte> content) const {
    auto source = Open(entry);
    std::size_t filled = 0;
    while (filled < content.size()) {
        const std::size_t n = source->Read(content.subspan(filled));
        if (n == 0) {
            break;
        }
        filled += n;
    }
    std::byte probe[1];
    source->Read(probe);  // reaches the end and checks size and CRC
}

std::string ZipReader::ReadAll(const Entry& entry, std::uint64_t limit) const {
    RequireAtMost(entry, limit);
    std::string content(static_cast<std::size_t>(entry.uncompressedSize), '\0');
    ReadInto(entry, std::as_writable_bytes(std::span(content)));
    return content;
}

}  // namespace Dorv::Orvan::Framework::Common
