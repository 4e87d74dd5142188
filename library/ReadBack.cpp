#include "library/ReadBack.h"

#include <vector>

#include "library/Archive.h"
#include "library/PrimaryClass.h"
#include "library/format/FormatFacts.h"
#include "library/format/StructureReader.h"
#include "library/io/StartWorker.h"
#include "library/io/TransferBuffer.h"
#include "library/zip/Crc32.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

// The CRC-32 of an entry's bytes as stored (compressed): what tells that a
// file still holds the bytes read from it before.
std::uint32_t StoredCrc(const ZipReader& reader, const ZipReader::Entry& entry) {
    const auto raw = reader.OpenRaw(entry);
    const std::span<std::byte> buffer = TransferBuffer();
    std::uint32_t crc = 0;
    while (const std::size_t n = raw->Read(buffer)) {
        crc = Crc32(crc, buffer.first(n));
    }
    return crc;
}

bool SameEntry(const ZipReader::Entry& a, const ZipReader::Entry& b) {
    return a.name == b.name && a.method == b.method && a.crc == b.crc && a.compressedSize == b.compressedSize &&
           a.uncompressedSize == b.uncompressedSize && a.headerOffset == b.headerOffset && a.dataOffset == b.dataOffset;
}

}  // namespace

ReadBack::ReadBack(Classes::PrimaryClass& saved, Classes::PrimaryClass& into) : saved_(&saved), into_(into) {
    saved.readBack_ = this;
}

ReadBack::~ReadBack() {
    if (saved_ != nullptr) {
        saved_->readBack_ = nullptr;
    }
    stop_ = true;
}

void ReadBack::Start(const std::wstring& file, const ZipReader::Entry& entry) {
    entry_ = entry;
    thread_ = StartWorker("ReadBack", [this, file] { Read(file); });
}

void ReadBack::Read(const std::wstring& file) {
    try {
        const auto reader = std::make_shared<const ZipReader>(file, entry_);
        entry_ = reader->Entries().front();  // with the place of its data
        storedCrc_ = StoredCrc(*reader, entry_);
        load_ = std::make_unique<StructureLoad>(into_.Owner(), reader, entry_, &stop_);
    } catch (...) {
        load_.reset();
        failure_ = std::current_exception();
    }
}

bool ReadBack::Finish(const Archive& archive) {
    if (saved_ != nullptr) {
        saved_->readBack_ = nullptr;  // no save started it
        saved_ = nullptr;
    }
    if (!thread_.joinable()) {
        return false;
    }
    thread_.join();
    const std::shared_ptr<const ZipReader>& reader = archive.Reader();
    const ZipReader::Entry* entry = reader->Find(ArchiveEntries::kStructure);
    if (entry == nullptr || !SameEntry(*entry, entry_) || StoredCrc(*reader, *entry) != storedCrc_) {
        return false;  // another document, or the file changed since: read it as it is now
    }
    if (failure_) {
        std::rethrow_exception(failure_);
    }
    into_.UseArchive(archive);
    load_->Bind(reader);
    return true;
}

}  // namespace Dorv::Orvan::Framework::Common
