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
#include "library/zip/ZipFormat.h"

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
        bool folder = false;  // a name ending in '/', holding nothing
    };

    // Throws OrvanIoException when the file cannot be read and
    // OrvanFormatException when it is not a well-formed archive.
    explicit ZipReader(const std::wstring& path);
    // Reads the one entry `entry` of the ZIP file at `path` while the file is
    // still being written: only the entry's local header is checked (and its
    // data found); the rest of the file is read by none of this reader's calls.
    ZipReader(const std::wstring& path, Entry entry);

    const std::wstring& Path() const { return file_.Path(); }
    // The entries that hold files, in the directory's order; folder entries
    // are checked but not listed.
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
    void CheckNames(const std::vector<Entry>& all) const;
    void CheckLocalHeader(Entry& entry, std::uint64_t directoryOffset) const;
    void CheckEveryByteAccounted(const std::vector<Entry>& all, std::uint64_t directoryOffset) const;
    void CheckDataDescriptor(const Entry& entry, std::uint64_t at, std::uint64_t size) const;
    void CheckFolderEmpty(const Entry& folder) const;

    File file_;
    std::uint64_t fileSize_ = 0;
    std::vector<Entry> entries_;
    std::unordered_map<std::string_view, std::size_t> byName_;
};

}  // namespace Dorv::Orvan::Framework::Common
