#include "library/Archive.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "library/format/AttachmentsAhead.h"
#include "library/io/File.h"
#include "library/OrvanException.h"
#include "library/format/ArchiveHeader.h"
#include "library/io/Quoted.h"
#include "library/zip/ZipWriter.h"
#include "library/zip/ZipReader.h"
#include "library/format/FormatFacts.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

// The only entries the format has: its two documents and numbered attachments.
bool IsFormatEntry(const std::string& name) {
    if (name == ArchiveEntries::kHeader || name == ArchiveEntries::kStructure) {
        return true;
    }
    const std::string_view prefix = ArchiveEntries::kAttachmentPrefix;
    const std::string_view number = std::string_view(name).substr(std::min(name.size(), prefix.size()));
    if (!name.starts_with(prefix) || number.empty() || number.front() == '0' ||
        number.find_first_not_of("0123456789") != std::string_view::npos) {
        return false;
    }
    // Named after a document's id: any positive 64-bit number.
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    return error == std::errc{} && end == number.data() + number.size();
}

}  // namespace

Archive::Archive(std::wstring path) : path_(std::move(path)), reader_(std::make_shared<ZipReader>(path_)) {
    for (const ZipReader::Entry& entry : reader_->Entries()) {
        if (!IsFormatEntry(entry.name)) {
            throw OrvanFormatException(EntryLocation(path_, entry.name) + L": not an entry of this format");
        }
    }
    if (!reader_->Find(ArchiveEntries::kStructure)) {
        throw OrvanFormatException(EntryLocation(path_, ArchiveEntries::kStructure) + L": missing");
    }
    const ArchiveHeader fields = ReadArchiveHeader(*reader_);
    OrvanId = fields.OrvanId;
    TemplateOrvanId = fields.TemplateOrvanId;
    Title = fields.Title;
    Language = fields.Language;
    stored_ = fields;
}

const std::shared_ptr<const ZipReader>& Archive::Reader() const {
    if (!reader_) {
        throw OrvanIoException(EntryLocation(path_) + L" has been closed");
    }
    return reader_;
}

void Archive::Save() {
    const std::shared_ptr<const ZipReader> source = Reader();
    const ArchiveHeader fields{OrvanId, TemplateOrvanId, Title, Language};
    if (fields == stored_) {
        return;
    }
    {
        AtomicFileWriter out(path_);
        ZipWriter zip(out);
        const std::string header = WriteArchiveHeader(fields);
        zip.BeginEntry(ArchiveEntries::kHeader, ZipWriter::Method::Deflated);
        zip.Write(std::as_bytes(std::span(header.data(), header.size())));
        zip.EndEntry();
        // Everything else is copied as it is stored, without decompressing.
        for (const ZipReader::Entry& entry : source->Entries()) {
            if (entry.name != ArchiveEntries::kHeader) {
                const auto raw = source->OpenRaw(entry);
                zip.AddRawEntry(entry.name, static_cast<ZipWriter::Method>(entry.method), entry.crc,
                                entry.compressedSize, entry.uncompressedSize, *raw);
            }
        }
        zip.Finish();
        out.Commit();
    }
    reader_ = std::make_shared<ZipReader>(path_);
    stored_ = fields;
}

void Archive::ExtractAttachmentsAhead(const std::wstring& folder) {
    ahead_ = std::make_shared<AttachmentsAhead>(Reader(), folder);
}

void Archive::Dispose() {
    ahead_.reset();
    reader_.reset();
}

}  // namespace Dorv::Orvan::Framework::Common
