#include "library/AttachmentContent.h"


#include "library/io/File.h"
#include "library/OrvanException.h"
#include "library/zip/ZipReader.h"
#include "platform/FileSystem.h"
#include "platform/Utf8.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

class FileSource final : public ByteSource {
public:
    FileSource(const std::wstring& path, std::uint64_t expectedSize)
        : file_(File::OpenForReading(path)), expected_(expectedSize) {}

    std::size_t Read(std::span<std::byte> buffer) override {
        const std::size_t n = file_.Read(buffer);
        read_ += n;
        if (read_ > expected_ || (n == 0 && read_ != expected_)) {
            throw OrvanIoException(L"attachment '" + file_.Path() +
                                   L"' changed size since it was taken in");
        }
        return n;
    }

private:
    File file_;
    std::uint64_t expected_;
    std::uint64_t read_ = 0;
};

}  // namespace

void AttachmentContent::SetFile(std::wstring path, std::uint64_t size, bool compressible) {
    kind_ = Kind::File;
    compressible_ = compressible;
    path_ = std::move(path);
    size_ = size;
    archive_.reset();
}

void AttachmentContent::SetEntry(std::shared_ptr<const ZipReader> archive, std::string entry) {
    const ZipReader::Entry& stored = *archive->Find(entry);
    kind_ = Kind::Entry;
    archive_ = std::move(archive);
    entry_ = std::move(entry);
    size_ = stored.uncompressedSize;
    compressible_ = stored.method != 0;
    path_.clear();
}

AttachmentContent::Identity AttachmentContent::Identify() const {
    Identity identity;
    if (kind_ == Kind::File) {
        identity.path = path_;
        identity.size = size_;
        if (const auto status = orvan::platform::GetFileStatus(path_)) {
            identity.modified = status->modifiedNanoseconds;
            identity.inode = status->inode;
            identity.size = status->size;
        }
    } else if (kind_ == Kind::Entry) {
        identity.archive = archive_.get();
        identity.entry = entry_;
        identity.size = size_;
    }
    return identity;
}

std::unique_ptr<ByteSource> AttachmentContent::Open() const {
    switch (kind_) {
        case Kind::File:
            return std::make_unique<FileSource>(path_, size_);
        case Kind::Entry:
            return archive_->Open(*archive_->Find(entry_));
        case Kind::None:
            break;
    }
    throw OrvanFormatException(L"the document has no content");
}

}  // namespace Dorv::Orvan::Framework::Common
