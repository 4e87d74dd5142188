#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Dorv::Orvan::Framework::Common {

// Memory for the bulk of a large structure: its objects. A structure of a million objects touches about a
// gigabyte of fresh memory; in 4 KiB pages that is a quarter of a million page
// faults, which on a virtual machine cost more than the work itself. The arena
// takes memory from the system in chunks of 64 MiB that ask for transparent
// huge pages, and hands out blocks from a chunk in order; a chunk goes back to
// the system when its last block is freed. The only block reused on its own
// is the last one handed out, so an arena suits data that is made together
// and freed together, or freed last first.
// Thread-safe. Under the address sanitizer every block comes from malloc, so
// that the sanitizer keeps watching them.
class HugePageArena {
public:
    HugePageArena() = default;
    ~HugePageArena();
    HugePageArena(const HugePageArena&) = delete;
    HugePageArena& operator=(const HugePageArena&) = delete;

    // A block of `size` bytes aligned for any type, not zeroed; nothing when
    // the system has no memory left.
    void* Allocate(std::size_t size) noexcept;
    // Frees a block of this arena; a block from malloc (where the arena fell
    // back to it) goes back to free. Given its `size`, the last block handed
    // out is handed out again next.
    void Deallocate(void* block, std::size_t size = 0) noexcept;

    // Bytes taken from the system and not yet given back.
    std::size_t MappedBytes() const;

private:
    struct Chunk {
        std::byte* begin;  // aligned to a huge page
        std::size_t size;
        std::byte* mapping;  // what to unmap
        std::size_t mappingSize;
        std::size_t used = 0;
        std::size_t live = 0;  // blocks handed out and not yet freed
    };

    Chunk* Map(std::size_t size);
    void Unmap(std::size_t index);

    mutable std::mutex mutex_;
    std::vector<Chunk> chunks_;
    std::size_t current_ = SIZE_MAX;  // the chunk small blocks come from, if any
};

}  // namespace Dorv::Orvan::Framework::Common
