#include "library/format/ArchiveWriter.h"

#include <span>

#include "library/ObjectStore.h"
#include "library/Progress.h"
#include "library/format/ArchiveHeader.h"
#include "library/format/FormatFacts.h"
#include "library/format/ScratchTakeOver.h"
#include "library/format/StructureWriter.h"
#include "library/io/File.h"
#include "library/io/TransferBuffer.h"
#include "library/zip/ZipFormat.h"
#include "library/zip/ZipWriter.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

using namespace Classes;

void WriteAttachment(ZipWriter& zip, const AttachmentContent& content, std::uint32_t number, std::uint64_t& written,
                     std::uint64_t total, const ProgressListener& progress) {
    zip.BeginEntry(AttachmentEntryName(number),
                   content.Compressible() ? ZipWriter::Method::Deflated : ZipWriter::Method::Stored,
                   content.Size());
    const auto source = content.Open();
    const std::span<std::byte> buffer = TransferBuffer();
    while (const std::size_t n = source->Read(buffer)) {
        zip.Write(buffer.first(n));
        ReportProgress(progress, "save", "bytes", written += n, total);
    }
    zip.EndEntry();
}

}  // namespace

void WriteArchive(const ObjectStore& objects, const ArchiveHeader& header, const std::wstring& path, bool durable,
                  SavedArchive* saved) {
    AtomicFileWriter out(path, durable);
    WriteArchive(objects, header, out, saved);
    out.Commit();
    if (saved != nullptr) {
        saved->path = path;
    }
}

void WriteArchive(const ObjectStore& objects, const ArchiveHeader& header, AtomicFileWriter& out,
                  SavedArchive* saved, const StructureWritten& structureWritten) {
    const ObjectNumbering numbering(objects);
    ZipWriter zip(out);

    const std::string headerDocument = WriteArchiveHeader(header);
    zip.BeginEntry(ArchiveEntries::kHeader, ZipWriter::Method::Deflated);
    zip.Write(std::as_bytes(std::span(headerDocument.data(), headerDocument.size())));
    zip.EndEntry();

    zip.BeginEntry(ArchiveEntries::kStructure, ZipWriter::Method::Deflated);
    WriteStructure(numbering, [&](std::span<const std::byte> data) { zip.Write(data); });
    zip.EndEntry();
    const ZipWriter::Entry structureEntry = zip.LastEntry();
    if (structureWritten) {
        out.Flush();
        structureWritten(out.TemporaryPath(),
                         ZipReader::Entry{structureEntry.name, Zip::kFlagUtf8,
                                          static_cast<std::uint16_t>(structureEntry.method), structureEntry.crc,
                                          structureEntry.compressedSize, structureEntry.uncompressedSize,
                                          structureEntry.offset, 0, false});
    }

    std::uint64_t total = 0;
    for (const auto& attachment : numbering.Attachments()) {
        total += attachment.second->Size();
    }
    std::uint64_t written = 0;
    const ProgressListener& progress = objects.Lent().progress;
    ReportProgress(progress, "save", "bytes", 0, total);
    for (const auto& [document, content] : numbering.Attachments()) {
        WriteAttachment(zip, *content, numbering.NumberOf(*document), written, total, progress);
    }
    zip.Finish();
    if (saved != nullptr) {
        *saved = SavedArchive{{}, ValuesDigest(numbering), structureEntry.crc, structureEntry.uncompressedSize, {}};
        for (const auto& attachment : numbering.Attachments()) {
            saved->attachments.push_back(attachment.second->Identify());
        }
    }
}

}  // namespace Dorv::Orvan::Framework::Common
