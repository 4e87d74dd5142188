#include "platform/Memory.h"

#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace orvan::platform {

void* MapMemory(std::size_t size) {
    void* memory = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return memory == MAP_FAILED ? nullptr : memory;
}

void UnmapMemory(void* memory, std::size_t size) { ::munmap(memory, size); }

void AdviseHugePages(void* memory, std::size_t size) { ::madvise(memory, size, MADV_HUGEPAGE); }

void ReturnLargeFreedBlocks() {
#if defined(__GLIBC__)
    ::mallopt(M_MMAP_THRESHOLD, 1 << 20);  // a fixed bound: glibc then no longer raises it
#endif
}

}  // namespace orvan::platform
