#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace Dorv::Orvan::Framework::Common {

// Memory for the bulk of a large structure: its objects, its document and the
// document's parse tree. A structure of a million objects touches about a
// gigabyte of fresh memory; in 4 KiB pages that is a quarter of a million page
// faults, which on a virtual machine cost more than the work itself. The arena
// takes memory from the system in chunks of 64 MiB that ask for transparent
// huge pages, and hands out blocks from a chunk in order; a chunk goes back to
// the system when its last block is freed. Blocks are never reused one by one,
// so an arena suits data that is made together and freed together.
// Thread-safe. Under the address sanitizer every block comes from malloc, so
// that the sanitizer keeps watching them.
class HugePageArena {
public:
    // For the objects of structures, and for documents and their parse trees.
    static HugePageArena& Objects();
    static HugePageArena& Documents();

    HugePageArena() = default;
    ~HugePageArena();
    HugePageArena(const HugePageArena&) = delete;
    HugePageArena& operator=(const HugePageArena&) = delete;

    // A block of `size` bytes aligned for any type, not zeroed; nothing when
    // the system has no memory left.
    void* Allocate(std::size_t size) noexcept;
    // Frees a block of this arena; a block from malloc goes back to free, so
    // that a library handing its memory management to the arena at run time
    // can still free what it allocated before.
    void Deallocate(void* block) noexcept;

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

// Frees arena blocks held by a unique_ptr.
struct ArenaDelete {
    HugePageArena* arena;
    void operator()(void* block) const noexcept { arena->Deallocate(block); }
};

}  // namespace Dorv::Orvan::Framework::Common
