#include "library/Archive.h"

#include <vector>

#include "library/File.h"
#include "library/OrvanException.h"
#include "library/ZipWriter.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr std::uint64_t kMaxHeaderBytes = 1 << 20;

std::wstring Where(const std::wstring& path, const char* entry) {
    return L"archive '" + path + L"', entry '" + orvan::platform::FromUtf8(entry) + L"'";
}

}  // namespace

Archive::Archive(std::wstring path) : path_(std::move(path)), reader_(std::make_shared<ZipReader>(path_)) {
    const ZipReader::Entry* header = reader_->Find(ArchiveEntries::kHeader);
    if (!header) {
        throw OrvanFormatException(Where(path_, ArchiveEntries::kHeader) + L": missing");
    }
    if (!reader_->Find(ArchiveEntries::kStructure)) {
        throw OrvanFormatException(Where(path_, ArchiveEntries::kStructure) + L": missing");
    }
    const ArchiveHeader fields =
        ReadArchiveHeader(reader_->ReadAll(*header, kMaxHeaderBytes), Where(path_, ArchiveEntries::kHeader));
    OrvanId = fields.OrvanId;
    TemplateOrvanId = fields.TemplateOrvanId;
    Title = fields.Title;
    Language = fields.Language;
}

const std::shared_ptr<const ZipReader>& Archive::Reader() const {
    if (!reader_) {
        throw OrvanIoException(L"archive '" + path_ + L"' has been closed");
    }
    return reader_;
}

void Archive::Save() {
    const std::shared_ptr<const ZipReader> source = Reader();
    {
        AtomicFileWriter out(path_);
        ZipWriter zip(out);
        const std::string header = WriteArchiveHeader(ArchiveHeader{OrvanId, TemplateOrvanId, Title, Language});
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
}

void Archive::Dispose() { reader_.reset(); }

}  // namespace Dorv::Orvan::Framework::Common
