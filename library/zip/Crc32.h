#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace Dorv::Orvan::Framework::Common {

// The CRC-32 of ZIP files, continued from `crc` (0 to start), as zlib's crc32
// computes it, but several times faster on processors with carry-less
// multiplication: content is checked at the speed it is read.
std::uint32_t Crc32(std::uint32_t crc, std::span<const std::byte> data);

}  // namespace Dorv::Orvan::Framework::Common
