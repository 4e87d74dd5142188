#include "platform/Memory.h"

#include <windows.h>

namespace orvan::platform {

void* MapMemory(std::size_t size) { return ::VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE); }

void UnmapMemory(void* memory, std::size_t) { ::VirtualFree(memory, 0, MEM_RELEASE); }

void AdviseHugePages(void*, std::size_t) {}

void ReturnLargeFreedBlocks() {}

}  // namespace orvan::platform
