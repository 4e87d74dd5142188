#include "platform/Memory.h"

#include <sys/mman.h>

namespace orvan::platform {

void* MapMemory(std::size_t size) {
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
}

void UnmapMemory(void* memory, std::size_t size) { ::munmap(memory, size); }

void AdviseHugePages(void* memory, std::size_t size) { ::madvise(memory, size, MADV_HUGEPAGE); }

}  // namespace orvan::platform
