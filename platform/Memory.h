#pragma once

#include <cstddef>

namespace orvan::platform {

// Zeroed, readable and writable memory straight from the system, `size`
// bytes; nullptr when it has none.
void* MapMemory(std::size_t size);
void UnmapMemory(void* memory, std::size_t size);
// Asks for the range to be backed by huge pages; only a hint (nothing on
// Windows, where huge pages need a privilege users lack).
void AdviseHugePages(void* memory, std::size_t size);

}  // namespace orvan::platform
