#pragma once

#include <cstddef>
#include <span>

namespace Dorv::Orvan::Framework::Common {

// The buffer through which content streams between files and archives: 1 MiB,
// made once per thread and never cleared, so that moving a gigabyte costs no
// allocation, no zeroing and no fresh pages.
std::span<std::byte> TransferBuffer();

}  // namespace Dorv::Orvan::Framework::Common
