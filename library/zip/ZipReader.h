#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/io/ByteSource.h"
#include "library/io/File.h"

namespace Dorv::Orvan::Framework::Common {

// Reads a ZIP file, accepting only archives that are exactly well-formed: the
// end records, the central directory and every local header are checked
// against each other and against the file's size before anything is read.
// Content is checked against its recorded size and CRC while it streams.
class ZipReader {
public:
    struct Entry {
        std::string name;
        std::uint16_t flags = 0;
        std::uint16_t method = 0;
        std::uint32_t crc = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t uncompressedSize = 0;
        std::uint64_t headerOffset = 0;
        std::uint64_t dataOffset = 0;
    };

    // Throws OrvanIoException when the file cannot be read and
    // OrvanFormatException when it is not a well-formed archive.
    explicit ZipReader(const std::wstring& path);

    const std::wstring& Path() const { return file_.Path(); }
    const std::vector<Entry>& Entries() const { return entries_; }
    const Entry* Find(std::string_view name) const;

    // The entry's content, decompressed and checked.
    std::unique_ptr<ByteSource> Open(const Entry& entry) const;
    // The entry's stored bytes as they are, for copying into another archive.
    std::unique_ptr<ByteSource> OpenRaw(const Entry& entry) const;
    // Throws naming the entry when it holds more than `limit` bytes.
    void RequireAtMost(const Entry& entry, std::uint64_t limit) const;
    // Fills `content`, as large as the entry, with the entry's content, checked.
    void ReadInto(const Entry& entry, std::span<std::byte> content) const;
    // The whole content of an entry no larger than `limit` bytes.
    std::string ReadAll(const Entry& entry, std::uint64_t limit) const;

private:
    void ReadDirectory();
    void IndexNames();
    void CheckLocalHeader(Entry& entry, std::uint64_t directoryOffset) const;
    void CheckEveryByteAccounted(std::uint64_t directoryOffset) const;

    File file_;
    std::uint64_t fileSize_ = 0;
    std::vector<Entry> entries_;
    std::unordered_map<std::string_view, std::size_t> byName_;
};

// Limits that keep reading bounded whatever an archive declares.
namespace ZipLimits {
inline constexpr std::uint64_t kMaxEntries = 1'000'000;
inline constexpr std::uint64_t kMaxDirectoryBytes = 256ull << 20;
inline constexpr std::size_t kMaxNameBytes = 255;
// Deflate's own maximum: a 258-byte match coded in two bits.
inline constexpr std::uint64_t kMaxDeflateRatio = 1032;
// All content of one archive together, as declared.
inline constexpr std::uint64_t kMaxTotalBytes = 64ull << 30;
}  // namespace ZipLimits

}  // namespace Dorv::Orvan::Framework::Common
