#pragma once

#include <cstddef>
#include <cstdint>

namespace Dorv::Orvan::Framework::Common {

// Facts of the archive format that its reader and writer share, declared once.

// Limits of the archive format that readers enforce, so writers refuse to
// write beyond them: an archive this library writes, it can read.
inline constexpr std::size_t kMaxNestingDepth = 64;              // object levels
inline constexpr std::uint64_t kMaxStructureBytes = 512ull << 20;  // the structure document

// Entry names of the format.
namespace ArchiveEntries {
inline constexpr char kHeader[] = "header.xml";
inline constexpr char kStructure[] = "structure.xml";
inline constexpr char kAttachmentPrefix[] = "attachments/";
}  // namespace ArchiveEntries

}  // namespace Dorv::Orvan::Framework::Common
