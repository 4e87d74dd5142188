#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "library/AttachmentContent.h"

#include "library/format/FormatLimits.h"

namespace Dorv::Orvan::Framework::Common {

namespace Classes {
class PrimaryClass;
}

// Writes `structure` with its header and attachments as the archive at `path`,
// atomically, and durably unless `durable` is false (for scratch copies that
// go with the structure). Throws the library's exception when the structure
// cannot be saved (an object owned twice, a reference leaving the structure,
// nesting deeper than the format allows) or the file cannot be written; the
// file at `path` is then as it was. An archive beyond the format's limits
// (FormatLimits.h) is refused the same way.
// What a save wrote, so that a later save of the unchanged structure can take
// the file over instead of writing every byte again.
struct SavedArchive {
    // What identifies a document without keeping it: its size, its CRC-32 and
    // an independent 64-bit hash, so that a different document passes for it
    // only with a chance of about one in 2^96.
    struct Digest {
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
        std::uint64_t hash = 0;
        std::array<std::byte, 8> tail{};  // bytes not yet hashed, the last partial word
        void Add(std::span<const std::byte> data);
        bool operator==(const Digest&) const = default;
    };

    std::wstring path;
    Digest structure;                                      // of the structure document
    std::vector<AttachmentContent::Identity> attachments;  // in the order of their entries
};

void WriteArchive(const Classes::PrimaryClass& structure, const std::wstring& path, bool durable = true,
                  SavedArchive* saved = nullptr);

// True when the archive `saved` holds exactly the bytes that writing
// `structure` now would give: the same header and structure document, and
// attachments from the same unchanged sources.
bool ArchiveMatches(const Classes::PrimaryClass& structure, const SavedArchive& saved);

}  // namespace Dorv::Orvan::Framework::Common
