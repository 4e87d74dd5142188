#include "library/zip/ZipWriter.h"

#include "library/zip/Crc32.h"
#include "library/OrvanException.h"
#include "library/io/TransferBuffer.h"
#include "library/zip/ZipFormat.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using namespace Zip;

// Above this size an entry's local header carries ZIP64 sizes; the margin
// covers deflate's worst-case growth of incompressible data.
constexpr std::uint64_t kZip64Threshold = kMax32 - (std::uint64_t{64} << 20);
constexpr std::size_t kChunk = 1 << 20;

}  // namespace

ZipWriter::ZipWriter(AtomicFileWriter& out) : out_(out) {}

ZipWriter::~ZipWriter() = default;

void ZipWriter::Emit(std::span<const std::byte> data) {
    out_.Write(data);
    entries_.back().compressedSize += data.size();
}

void ZipWriter::WriteLocalHeader(const Entry& e) {
    Bytes h;
    h.U32(kLocalHeaderSignature)
        .U16(e.zip64Local ? kVersionZip64 : kVersionDefault)
        .U16(kFlagUtf8)
        .U16(static_cast<std::uint16_t>(e.method))
        .U16(kDosTime)
        .U16(kDosDate)
        .U32(e.crc)
        .U32(e.zip64Local ? kMax32 : static_cast<std::uint32_t>(e.compressedSize))
        .U32(e.zip64Local ? kMax32 : static_cast<std::uint32_t>(e.uncompressedSize))
        .U16(static_cast<std::uint16_t>(e.name.size()))
        .U16(e.zip64Local ? 20 : 0)
        .Text(e.name);
    if (e.zip64Local) {
        h.U16(kZip64ExtraId).U16(16).U64(e.uncompressedSize).U64(e.compressedSize);
    }
    out_.Write(h.View());
}

void ZipWriter::PatchLocalHeader(const Entry& e) {
    if (!e.zip64Local && (e.compressedSize >= kMax32 || e.uncompressedSize >= kMax32)) {
        throw OrvanFormatException(L"entry '" + orvan::platform::FromUtf8(e.name) +
                                   L"' grew beyond the size announced for it while it was written");
    }
    Bytes crcAndSizes;
    crcAndSizes.U32(e.crc);
    if (e.zip64Local) {
        out_.Patch(e.offset + 14, crcAndSizes.View());
        Bytes sizes;
        sizes.U64(e.uncompressedSize).U64(e.compressedSize);
        out_.Patch(e.offset + kLocalHeaderSize + e.name.size() + 4, sizes.View());
    } else {
        crcAndSizes.U32(static_cast<std::uint32_t>(e.compressedSize))
            .U32(static_cast<std::uint32_t>(e.uncompressedSize));
        out_.Patch(e.offset + 14, crcAndSizes.View());
    }
}

void ZipWriter::AddEntry(Entry entry) {
    if (entry.name.empty() || entry.name.size() > ZipLimits::kMaxNameBytes) {
        throw OrvanFormatException(L"invalid entry name '" + orvan::platform::FromUtf8(entry.name) + L"'");
    }
    if (entries_.size() >= ZipLimits::kMaxEntries) {
        throw OrvanFormatException(L"cannot save: more than " + std::to_wstring(ZipLimits::kMaxEntries) +
                                   L" entries, more than readers accept");
    }
    CountContent(entry.uncompressedSize);
    entries_.push_back(std::move(entry));
    WriteLocalHeader(entries_.back());
}

void ZipWriter::CountContent(std::uint64_t bytes) {
    if (bytes > ZipLimits::kMaxTotalBytes - totalContent_) {
        throw OrvanFormatException(L"cannot save: the content would exceed " +
                                   std::to_wstring(ZipLimits::kMaxTotalBytes >> 30) + L" GiB, more than readers accept");
    }
    totalContent_ += bytes;
}

void ZipWriter::BeginEntry(const std::string& name, Method method, std::uint64_t expectedSize) {
    AddEntry(Entry{name, method, 0, 0, 0, out_.Position(), expectedSize >= kZip64Threshold});
    entries_.back().compressedSize = 0;
    open_ = true;
    if (method == Method::Deflated) {
        deflater_.Begin([this](std::span<const std::byte> data) { Emit(data); });
    }
}

void ZipWriter::Write(std::span<const std::byte> data) {
    Entry& e = entries_.back();
    while (!data.empty()) {
        const auto piece = data.first(std::min(data.size(), kChunk));
        CountContent(piece.size());
        e.crc = Crc32(e.crc, piece);
        e.uncompressedSize += piece.size();
        if (e.method == Method::Deflated) {
            deflater_.Write(piece);
        } else {
            Emit(piece);
        }
        data = data.subspan(piece.size());
    }
}

void ZipWriter::EndEntry() {
    if (entries_.back().method == Method::Deflated) {
        deflater_.Finish();
    }
    PatchLocalHeader(entries_.back());
    open_ = false;
}

void ZipWriter::AddRawEntry(const std::string& name, Method method, std::uint32_t crc,
                            std::uint64_t compressedSize, std::uint64_t uncompressedSize,
                            ByteSource& raw) {
    AddEntry(Entry{name, method, crc, compressedSize, uncompressedSize, out_.Position(),
                   uncompressedSize >= kZip64Threshold || compressedSize >= kZip64Threshold});
    const std::span<std::byte> buffer = TransferBuffer();
    std::uint64_t copied = 0;
    while (const std::size_t n = raw.Read(buffer)) {
        out_.Write(buffer.first(n));
        copied += n;
    }
    if (copied != compressedSize) {
        throw OrvanFormatException(L"entry '" + orvan::platform::FromUtf8(name) +
                                   L"' is shorter than its recorded size");
    }
}

void ZipWriter::Finish() {
    const std::uint64_t directoryOffset = out_.Position();
    for (const Entry& e : entries_) {
        const bool bigSizes = e.zip64Local || e.compressedSize >= kMax32 || e.uncompressedSize >= kMax32;
        const bool bigOffset = e.offset >= kMax32;
        Bytes extra;
        if (bigSizes) {
            extra.U64(e.uncompressedSize).U64(e.compressedSize);
        }
        if (bigOffset) {
            extra.U64(e.offset);
        }
        const bool zip64 = bigSizes || bigOffset;
        Bytes h;
        h.U32(kCentralHeaderSignature)
            .U16(static_cast<std::uint16_t>(kMadeByUnix | (zip64 ? kVersionZip64 : kVersionDefault)))
            .U16(zip64 ? kVersionZip64 : kVersionDefault)
            .U16(kFlagUtf8)
            .U16(static_cast<std::uint16_t>(e.method))
            .U16(kDosTime)
            .U16(kDosDate)
            .U32(e.crc)
            .U32(bigSizes ? kMax32 : static_cast<std::uint32_t>(e.compressedSize))
            .U32(bigSizes ? kMax32 : static_cast<std::uint32_t>(e.uncompressedSize))
            .U16(static_cast<std::uint16_t>(e.name.size()))
            .U16(static_cast<std::uint16_t>(zip64 ? extra.Size() + 4 : 0))
            .U16(0)   // comment
            .U16(0)   // disk
            .U16(0)   // internal attributes
            .U32(kExternalAttributes)
            .U32(bigOffset ? kMax32 : static_cast<std::uint32_t>(e.offset))
            .Text(e.name);
        if (zip64) {
            h.U16(kZip64ExtraId).U16(static_cast<std::uint16_t>(extra.Size()));
        }
        out_.Write(h.View());
        out_.Write(extra.View());
    }
    const std::uint64_t directorySize = out_.Position() - directoryOffset;
    const std::uint64_t count = entries_.size();
    const bool zip64 = count >= kMax16 || directoryOffset >= kMax32 || directorySize >= kMax32;
    Bytes end;
    if (zip64) {
        const std::uint64_t end64Offset = out_.Position();
        end.U32(kEnd64Signature)
            .U64(kEnd64Size - 12)
            .U16(kMadeByUnix | kVersionZip64)
            .U16(kVersionZip64)
            .U32(0)
            .U32(0)
            .U64(count)
            .U64(count)
            .U64(directorySize)
            .U64(directoryOffset);
        end.U32(kEnd64LocatorSignature).U32(0).U64(end64Offset).U32(1);
    }
    end.U32(kEndSignature)
        .U16(0)
        .U16(0)
        .U16(zip64 ? kMax16 : static_cast<std::uint16_t>(count))
        .U16(zip64 ? kMax16 : static_cast<std::uint16_t>(count))
        .U32(zip64 ? kMax32 : static_cast<std::uint32_t>(directorySize))
        .U32(zip64 ? kMax32 : static_cast<std::uint32_t>(directoryOffset))
        .U16(0);
    out_.Write(end.View());
}

}  // namespace Dorv::Orvan::Framework::Common
