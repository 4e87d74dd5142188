#pragma once

#include <cstddef>
#include <cstdint>

namespace Dorv::Orvan::Framework::Common {

// Limits of the archive format that readers enforce, so writers refuse to
// write beyond them: an archive this library writes, it can read.
inline constexpr std::size_t kMaxNestingDepth = 64;              // object levels
inline constexpr std::uint64_t kMaxStructureBytes = 512ull << 20;  // the structure document

}  // namespace Dorv::Orvan::Framework::Common
