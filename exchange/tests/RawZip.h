#pragma once

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orvan::library::testing {

// Builds ZIP bytes field by field, so that a test can make any field say
// something else than the truth: the raw material of hostile archives.
struct RawEntry {
    RawEntry(std::string entryName, std::string entryContent)
        : name(std::move(entryName)), content(std::move(entryContent)) {}

    std::string name;
    std::string content;  // uncompressed
    std::uint16_t method = 8;
    std::uint16_t flags = 0x0800;
    std::uint32_t externalAttributes = 0100600u << 16;
    std::uint16_t madeBy = 0x0314;
    // Central directory values; the true ones when not set.
    std::optional<std::uint32_t> crc;
    std::optional<std::uint64_t> compressedSize;
    std::optional<std::uint64_t> uncompressedSize;
    bool zip64 = false;  // sizes and offset in a ZIP64 extra field
    // Local header values; the central directory's when not set.
    std::optional<std::string> localName;
    std::optional<std::uint16_t> localMethod;
    std::optional<std::uint16_t> localFlags;
    std::optional<std::uint32_t> localCrc;
    std::optional<std::uint32_t> localCompressedSize;
    std::optional<std::uint64_t> localUncompressedSize;  // in the local ZIP64 field
    std::optional<std::string> stored;  // the entry's data bytes instead of the compressed content
    std::uint16_t time = 0;
    std::uint16_t date = 0x21;
    std::string centralExtra;  // further extra-field bytes
    std::string localExtra;
    std::string comment;
    std::string gapBefore;  // bytes no entry accounts for, before the local header
    // A data descriptor after the data (flag bit 3 set, local CRC and sizes 0
    // unless set), with or without its signature, with 32- or 64-bit sizes.
    bool descriptor = false;
    bool descriptorSignature = true;
    bool descriptorWide = false;
    std::optional<std::uint32_t> descriptorCrc;
    std::optional<std::uint64_t> descriptorCompressedSize;
};

struct RawZip {
    std::vector<RawEntry> entries;
    std::optional<std::uint16_t> disk;
    std::optional<std::uint16_t> directoryDisk;
    std::optional<std::uint16_t> countOnDisk;
    std::optional<std::uint16_t> count;
    std::optional<std::uint32_t> directorySize;
    std::optional<std::uint32_t> directoryOffset;
    std::optional<std::uint16_t> commentLength;
    std::string comment;
    std::string gapBeforeDirectory;
    bool zip64End = false;  // a ZIP64 end record and locator; the classic fields then say 0xFFFF unless set
    bool classicFieldsTrue = false;  // with zip64End: the classic fields hold the true values
};

inline std::string Deflate(const std::string& content) {
    z_stream stream{};
    deflateInit2(&stream, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(content.size())) + 16, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

class Fields {
public:
    Fields& U16(std::uint64_t v) { return Put(v, 2); }
    Fields& U32(std::uint64_t v) { return Put(v, 4); }
    Fields& U64(std::uint64_t v) { return Put(v, 8); }
    Fields& Bytes(const std::string& s) {
        out += s;
        return *this;
    }
    std::string out;

private:
    Fields& Put(std::uint64_t v, int count) {
        for (int i = 0; i < count; ++i) {
            out += static_cast<char>(v >> (8 * i));
        }
        return *this;
    }
};

inline std::string Build(const RawZip& zip) {
    Fields file;
    Fields directory;
    for (const RawEntry& e : zip.entries) {
        const std::string data = e.stored ? *e.stored : e.method == 8 ? Deflate(e.content) : e.content;
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(e.content.data()), static_cast<uInt>(e.content.size())));
        file.Bytes(e.gapBefore);
        const std::uint64_t offset = file.out.size();
        const std::string localName = e.localName.value_or(e.name);
        const std::uint64_t compressed = e.compressedSize.value_or(data.size());
        const std::uint64_t uncompressed = e.uncompressedSize.value_or(e.content.size());
        const std::uint16_t flags = e.descriptor ? e.flags | 0x0008 : e.flags;
        // What the local header says: nothing of the content when a descriptor follows.
        const std::uint64_t localCompressed = e.descriptor ? 0 : compressed;
        const std::uint64_t localUncompressed = e.descriptor ? 0 : uncompressed;
        file.U32(0x04034b50).U16(e.zip64 ? 45 : 20).U16(e.localFlags.value_or(flags))
            .U16(e.localMethod.value_or(e.method)).U16(e.time).U16(e.date)
            .U32(e.localCrc.value_or(e.descriptor ? 0 : e.crc.value_or(crc)));
        if (e.zip64) {
            file.U32(0xFFFFFFFF).U32(0xFFFFFFFF).U16(localName.size()).U16(20 + e.localExtra.size()).Bytes(localName)
                .U16(1).U16(16).U64(e.localUncompressedSize.value_or(localUncompressed)).U64(localCompressed);
        } else {
            file.U32(e.localCompressedSize.value_or(static_cast<std::uint32_t>(localCompressed)))
                .U32(static_cast<std::uint32_t>(localUncompressed)).U16(localName.size()).U16(e.localExtra.size())
                .Bytes(localName);
        }
        file.Bytes(e.localExtra);
        file.Bytes(data);
        if (e.descriptor) {
            if (e.descriptorSignature) {
                file.U32(0x08074b50);
            }
            file.U32(e.descriptorCrc.value_or(e.crc.value_or(crc)));
            const std::uint64_t described = e.descriptorCompressedSize.value_or(compressed);
            if (e.descriptorWide) {
                file.U64(described).U64(uncompressed);
            } else {
                file.U32(described).U32(uncompressed);
            }
        }
        Fields extra;
        if (e.zip64) {
            extra.U16(1).U16(24).U64(uncompressed).U64(compressed).U64(offset);
        }
        extra.Bytes(e.centralExtra);
        directory.U32(0x02014b50).U16(e.madeBy).U16(e.zip64 ? 45 : 20).U16(flags).U16(e.method).U16(e.time)
            .U16(e.date).U32(e.crc.value_or(crc))
            .U32(e.zip64 ? 0xFFFFFFFF : compressed).U32(e.zip64 ? 0xFFFFFFFF : uncompressed)
            .U16(e.name.size()).U16(extra.out.size()).U16(e.comment.size()).U16(0).U16(0).U32(e.externalAttributes)
            .U32(e.zip64 ? 0xFFFFFFFF : offset).Bytes(e.name).Bytes(extra.out).Bytes(e.comment);
    }
    file.Bytes(zip.gapBeforeDirectory);
    const std::uint64_t directoryOffset = file.out.size();
    file.Bytes(directory.out);
    const bool classicAtMaximum = zip.zip64End && !zip.classicFieldsTrue;
    const std::uint16_t count16 = classicAtMaximum ? 0xFFFF : static_cast<std::uint16_t>(zip.entries.size());
    const std::uint32_t max32 = 0xFFFFFFFF;
    if (zip.zip64End) {
        const std::uint64_t end64Offset = file.out.size();
        file.U32(0x06064b50).U64(44).U16(45).U16(45).U32(0).U32(0).U64(zip.entries.size()).U64(zip.entries.size())
            .U64(directory.out.size()).U64(directoryOffset);
        file.U32(0x07064b50).U32(0).U64(end64Offset).U32(1);
    }
    file.U32(0x06054b50).U16(zip.disk.value_or(0)).U16(zip.directoryDisk.value_or(0))
        .U16(zip.countOnDisk.value_or(count16))
        .U16(zip.count.value_or(count16))
        .U32(zip.directorySize.value_or(classicAtMaximum ? max32 : static_cast<std::uint32_t>(directory.out.size())))
        .U32(zip.directoryOffset.value_or(classicAtMaximum ? max32 : static_cast<std::uint32_t>(directoryOffset)))
        .U16(zip.commentLength.value_or(static_cast<std::uint16_t>(zip.comment.size())))
        .Bytes(zip.comment);
    return file.out;
}

}  // namespace orvan::library::testing
