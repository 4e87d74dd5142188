#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "library/AttachmentContent.h"

namespace Dorv::Orvan::Framework::Common {

struct ArchiveHeader;
namespace Classes {
class ObjectStore;
}

// The export saves a scratch copy first and then the archive itself; when the
// structure is unchanged in between, the scratch file can become the archive
// instead of being written again. This decides whether it can.

// What a save wrote, so that a later save of the unchanged structure can take
// the file over instead of writing every byte again.
struct SavedArchive {
    // What identifies a document without keeping it: its size, its CRC-32 and
    // a 64-bit multiplicative hash of its words. The hash is not cryptographic:
    // it guards against documents that differ by accident (an edit since the
    // scratch save), not against a document made to collide.
    struct Digest {
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
        std::uint64_t hash = 0;
        std::array<std::byte, 8> tail{};  // bytes not yet hashed, the last partial word
        void Add(std::span<const std::byte> data);
        bool operator==(const Digest&) const = default;
    };

    std::wstring path;
    Digest values;  // of what the objects hold (ValuesDigest)
    std::uint32_t documentCrc = 0;  // of the structure document, as its entry records it
    std::uint64_t documentSize = 0;
    std::vector<AttachmentContent::Identity> attachments;  // in the order of their entries
};

namespace Classes {
class ObjectNumbering;
}
// Every value the numbered objects hold, in document order, each object by
// its number: equal digests mean equal structure documents, taken far faster
// than writing the document again.
SavedArchive::Digest ValuesDigest(const Classes::ObjectNumbering& numbering);

// True when the archive `saved` holds exactly the bytes that writing the
// structure of `objects` with `header` now would give: the same header and
// structure document, and attachments from the same unchanged sources.
bool ArchiveMatches(const Classes::ObjectStore& objects, const ArchiveHeader& header, const SavedArchive& saved);

}  // namespace Dorv::Orvan::Framework::Common
