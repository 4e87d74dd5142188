#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "library/io/ByteSource.h"
#include "library/io/File.h"
#include "library/zip/PieceDeflater.h"

namespace Dorv::Orvan::Framework::Common {

// Writes a ZIP file entry by entry, streaming each entry's data. The bytes
// depend only on the entries' names, methods and data: no times, no owners.
// ZIP64 fields appear only where sizes, offsets or the entry count need them.
// It refuses to go beyond what the reader accepts (names, entry count, total
// content), so that every archive it finishes can be read back.
class ZipWriter {
public:
    enum class Method : std::uint16_t { Stored = 0, Deflated = 8 };

    explicit ZipWriter(AtomicFileWriter& out);
    ~ZipWriter();
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // `expectedSize` is the entry's uncompressed size when known beforehand,
    // deciding whether its local header takes ZIP64 fields.
    void BeginEntry(const std::string& name, Method method, std::uint64_t expectedSize = 0);
    void Write(std::span<const std::byte> data);
    void EndEntry();

    // Adds an entry whose compressed bytes come from `raw` unchanged.
    void AddRawEntry(const std::string& name, Method method, std::uint32_t crc,
                     std::uint64_t compressedSize, std::uint64_t uncompressedSize, ByteSource& raw);

    // Writes the central directory and the end records.
    void Finish();

    // An entry as written: where its local header lies, and what it holds.
    struct Entry {
        std::string name;
        Method method;
        std::uint32_t crc = 0;
        std::uint64_t compressedSize = 0;
        std::uint64_t uncompressedSize = 0;
        std::uint64_t offset = 0;
        bool zip64Local = false;
    };
    // The entry ended last.
    const Entry& LastEntry() const { return entries_.back(); }

private:
    void WriteLocalHeader(const Entry& entry);
    void PatchLocalHeader(const Entry& entry);
    void Emit(std::span<const std::byte> data);
    void AddEntry(Entry entry);
    void CountContent(std::uint64_t bytes);

    AtomicFileWriter& out_;
    std::vector<Entry> entries_;
    std::uint64_t totalContent_ = 0;
    bool open_ = false;
    PieceDeflater deflater_;
};

}  // namespace Dorv::Orvan::Framework::Common
