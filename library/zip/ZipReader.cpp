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
    if (name.back() == '/') {
        return L"folder entry";
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

// Flags that change how an entry's bytes are read: encryption (0, 6, 13), a
// data descriptor (3), patch data (5).
constexpr std::uint16_t kRefusedFlags = 0x0001 | 0x0008 | 0x0020 | 0x0040 | 0x2000;
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

// Replaces the classic end record's values in `place` by those of the ZIP64
// end record before it at `endOffset`.
void ReadEnd64(const File& file, std::uint64_t endOffset, DirectoryPlace& place) {
    const std::wstring& path = file.Path();
    if (endOffset < kEnd64LocatorSize + kEnd64Size) {
        Bad(path, {}, L"ZIP64 end record missing");
    }
    std::vector<std::byte> locatorBytes(kEnd64LocatorSize);
    file.ReadAt(locatorBytes, endOffset - kEnd64LocatorSize);
    Cursor locator(locatorBytes);
    const std::uint32_t locatorSignature = locator.U32();
    const std::uint64_t end64Offset = locator.Skip(4).U64();  // after the disk number
    if (locatorSignature != kEnd64LocatorSignature || end64Offset != endOffset - kEnd64LocatorSize - kEnd64Size) {
        Bad(path, {}, L"ZIP64 end locator missing or misplaced");
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
    if (signature != kEnd64Signature || recordSize != kEnd64Size - 12 || countOnDisk != count || disk != 0 ||
        directoryDisk != 0) {
        Bad(path, {}, L"ZIP64 end record is damaged");
    }
    // A classic field is either "see the ZIP64 record" or the same value.
    const auto agrees = [](std::uint64_t classic, std::uint64_t max, std::uint64_t value) {
        return classic == max || classic == value;
    };
    if (!agrees(place.count, kMax16, count) || !agrees(place.size, kMax32, size) ||
        !agrees(place.offset, kMax32, offset)) {
        Bad(path, {}, L"the end record and the ZIP64 end record disagree");
    }
    place = DirectoryPlace{count, size, offset, end64Offset};
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

    Cursor end{std::span<const std::byte>(tail).subspan(endAt + 4)};  // after the signature
    const std::uint16_t disk = end.U16();
    const std::uint16_t directoryDisk = end.U16();
    const std::uint16_t countOnDisk = end.U16();
    DirectoryPlace place;
    place.count = end.U16();
    place.size = end.U32();
    place.offset = end.U32();
    place.end = endOffset;
    if (disk != 0 || directoryDisk != 0 || countOnDisk != place.count) {
        Bad(path, {}, L"end record describes a multi-part archive");
    }
    if (place.count == kMax16 || place.size == kMax32 || place.offset == kMax32) {
        ReadEnd64(file, endOffset, place);
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
    if (const std::wstring problem = NameProblem(e.name); !problem.empty()) {
        Bad(path, e.name, problem);
    }
    if ((e.flags & kRefusedFlags) != 0) {
        Bad(path, e.name, L"encrypted, patched or described by a data descriptor");
    }
    // Without the flag, readers take a name as code page 437.
    if ((e.flags & kFlagUtf8) == 0 && std::any_of(e.name.begin(), e.name.end(), [](char c) { return c & 0x80; })) {
        Bad(path, e.name, L"name is not ASCII and not marked as UTF-8");
    }
    if (disk != 0) {
        Bad(path, e.name, L"entry lies on another disk");
    }
    if ((madeBy >> 8) == 3 && fileType != 0 && fileType != 0100000u) {
        Bad(path, e.name, L"not a regular file (symbolic link or special file)");
    }
    ReadCentralExtra(path, extra, e);
    CheckSizes(path, e);
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

void ZipReader::ReadDirectory() {
    const DirectoryPlace place = FindDirectory(file_, fileSize_);
    std::vector<std::byte> directory(static_cast<std::size_t>(place.size));
    file_.ReadAt(directory, place.offset);
    Cursor cursor(directory);
    std::uint64_t totalSize = 0;
    entries_.reserve(static_cast<std::size_t>(place.count));
    for (std::uint64_t i = 0; i < place.count; ++i) {
        Entry e = ReadCentralEntry(file_.Path(), cursor, i);
        totalSize += e.uncompressedSize;
        if (e.uncompressedSize > ZipLimits::kMaxTotalBytes || totalSize > ZipLimits::kMaxTotalBytes) {
            Bad(file_.Path(), e.name,
                L"content larger than " + std::to_wstring(ZipLimits::kMaxTotalBytes >> 30) + L" GiB");
        }
        CheckLocalHeader(e, place.offset);
        entries_.push_back(std::move(e));
    }
    if (cursor.Remaining() != 0) {
        Bad(file_.Path(), {}, L"central directory is longer than its entries");
    }
    IndexNames();
    CheckEveryByteAccounted(place.offset);
}

void ZipReader::IndexNames() {
    // Names that differ only in case would land on one file on many systems.
    std::unordered_set<std::string> folded;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        std::string lower = entries_[i].name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
        if (!byName_.emplace(entries_[i].name, i).second || !folded.insert(lower).second) {
            Bad(file_.Path(), entries_[i].name, L"duplicate entry name");
        }
    }
}

// Entries lie one after the other, in the directory's order, from the file's
// first byte to the directory: bytes no entry accounts for could be read as
// another archive by a reader that walks the file from its start.
void ZipReader::CheckEveryByteAccounted(std::uint64_t directoryOffset) const {
    std::uint64_t expected = 0;
    for (const Entry& e : entries_) {
        if (e.headerOffset < expected) {
            Bad(file_.Path(), e.name, L"overlaps the entry before it");
        }
        if (e.headerOffset > expected) {
            Bad(file_.Path(), e.name, std::to_wstring(e.headerOffset - expected) +
                                          L" bytes before it belong to no entry");
        }
        expected = e.dataOffset + e.compressedSize;
    }
    if (expected != directoryOffset) {
        Bad(file_.Path(), {}, std::to_wstring(directoryOffset - expected) +
                                  L" bytes before the central directory belong to no entry");
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
    if (signature != kLocalHeaderSignature || !sameName || flags != e.flags || method != e.method || crc != e.crc) {
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
    if (localCompressed != e.compressedSize || localUncompressed != e.uncompressedSize) {
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
