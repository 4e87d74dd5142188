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

// For a program's start: freed blocks of 1 MiB and more go back to the
// system at once. The C library otherwise raises that bound as large blocks
// are freed, and the holes that a large record's growing tables leave behind
// stay with the process. (Smaller blocks stay in the heap for the next: type
// identification takes and frees half a megabyte for every file.) Nothing on
// Windows, whose heap gives large blocks back by itself.
void ReturnLargeFreedBlocks();

}  // namespace orvan::platform
