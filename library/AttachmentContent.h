#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "library/io/ByteSource.h"

namespace Dorv::Orvan::Framework::Common {

class ZipReader;

// Where a document's content is: nowhere yet, in a file on disk (taken in but
// not saved yet), or in an entry of an archive. The content itself is never
// held in memory; it streams when it is saved or written out.
class AttachmentContent {
public:
    bool Present() const { return kind_ != Kind::None; }
    std::uint64_t Size() const { return size_; }

    // Whether the content is worth compressing when it is saved.
    bool Compressible() const { return compressible_; }

    void SetFile(std::wstring path, std::uint64_t size, bool compressible);
    // The entry named `entry` of `archive`, which must hold it.
    void SetEntry(std::shared_ptr<const ZipReader> archive, std::string entry);

    // The content, checked while it streams: a file must still have the size
    // it had when it was taken in; an archive entry its size and CRC.
    std::unique_ptr<ByteSource> Open() const;

    // Where the content comes from, as it is now: a file by path, size,
    // modification time and inode, or an entry of an open archive. Equal
    // identities stand for equal content.
    struct Identity {
        std::wstring path;
        std::uint64_t size = 0;
        std::int64_t modified = 0;  // nanoseconds
        std::uint64_t inode = 0;
        const ZipReader* archive = nullptr;
        std::string entry;
        bool operator==(const Identity&) const = default;
    };
    Identity Identify() const;

private:
    enum class Kind { None, File, Entry };

    Kind kind_ = Kind::None;
    std::uint64_t size_ = 0;
    bool compressible_ = false;
    std::wstring path_;
    std::shared_ptr<const ZipReader> archive_;
    std::string entry_;  // its name in archive_
};

}  // namespace Dorv::Orvan::Framework::Common
