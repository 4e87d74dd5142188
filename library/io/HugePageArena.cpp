#include "library/io/HugePageArena.h"

#include <cstdint>
#include <cstdlib>

#include "platform/Memory.h"

namespace Dorv::Orvan::Framework::Common {
namespace {

constexpr std::size_t kChunkBytes = std::size_t{64} << 20;
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kAlignment = alignof(std::max_align_t);
// A block larger than this gets a mapping of its own.
constexpr std::size_t kLargeBlock = kChunkBytes / 4;
// When the last block of the chunk in use goes and it had handed out no more
// than this, the chunk stays for the next blocks: making and freeing small
// structures in turn then costs no system calls.
constexpr std::size_t kKeptBytes = kHugePage;
constexpr std::size_t kNone = SIZE_MAX;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUseMalloc = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUseMalloc = true;
#else
constexpr bool kUseMalloc = false;
#endif
#else
constexpr bool kUseMalloc = false;
#endif

std::size_t RoundUp(std::size_t size, std::size_t unit) { return (size + unit - 1) / unit * unit; }

}  // namespace

HugePageArena::~HugePageArena() {
    for (const Chunk& chunk : chunks_) {
        orvan::platform::UnmapMemory(chunk.mapping, chunk.mappingSize);
    }
}

void* HugePageArena::Allocate(std::size_t size) noexcept {
    if (kUseMalloc) {
        return std::malloc(size == 0 ? 1 : size);
    }
    const std::size_t rounded = RoundUp(size == 0 ? 1 : size, kAlignment);
    const std::lock_guard lock(mutex_);
    if (rounded > kLargeBlock) {
        Chunk* chunk = Map(rounded);
        if (chunk == nullptr) {
            return nullptr;
        }
        chunk->used = rounded;
        chunk->live = 1;
        return chunk->begin;
    }
    if (current_ == kNone || chunks_[current_].size - chunks_[current_].used < rounded) {
        if (current_ != kNone && chunks_[current_].live == 0) {
            Unmap(current_);
        }
        if (Map(kChunkBytes) == nullptr) {
            return nullptr;
        }
        current_ = chunks_.size() - 1;
    }
    Chunk& chunk = chunks_[current_];
    std::byte* block = chunk.begin + chunk.used;
    chunk.used += rounded;
    ++chunk.live;
    return block;
}

void HugePageArena::Deallocate(void* block, std::size_t size) noexcept {
    if (kUseMalloc || block == nullptr) {
        std::free(block);
        return;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(block);
    const std::lock_guard lock(mutex_);
    for (std::size_t i = chunks_.size(); i-- > 0;) {
        Chunk& chunk = chunks_[i];
        const auto begin = reinterpret_cast<std::uintptr_t>(chunk.begin);
        if (address < begin || address >= begin + chunk.size) {
            continue;
        }
        if (size != 0 && i == current_ && address + RoundUp(size, kAlignment) == begin + chunk.used) {
            chunk.used -= RoundUp(size, kAlignment);
        }
        if (--chunk.live == 0) {
            if (i == current_ && chunk.used <= kKeptBytes) {
                chunk.used = 0;
            } else {
                Unmap(i);
            }
        }
        return;
    }
    std::free(block);
}

std::size_t HugePageArena::MappedBytes() const {
    const std::lock_guard lock(mutex_);
    std::size_t total = 0;
    for (const Chunk& chunk : chunks_) {
        total += chunk.mappingSize;
    }
    return total;
}

HugePageArena::Chunk* HugePageArena::Map(std::size_t size) {
    // One huge page more than needed, so that the chunk can start on a huge
    // page boundary: only whole, aligned huge pages can be backed by one.
    const std::size_t usable = RoundUp(size, kHugePage);
    const std::size_t mappingSize = usable + kHugePage;
    void* mapping = orvan::platform::MapMemory(mappingSize);
    if (mapping == nullptr) {
        return nullptr;
    }
    auto* begin = reinterpret_cast<std::byte*>(RoundUp(reinterpret_cast<std::uintptr_t>(mapping), kHugePage));
    orvan::platform::AdviseHugePages(begin, usable);  // a hint: without huge pages the arena still works
    try {
        chunks_.push_back(Chunk{begin, usable, static_cast<std::byte*>(mapping), mappingSize});
    } catch (...) {
        orvan::platform::UnmapMemory(mapping, mappingSize);
        return nullptr;
    }
    return &chunks_.back();
}

void HugePageArena::Unmap(std::size_t index) {
    orvan::platform::UnmapMemory(chunks_[index].mapping, chunks_[index].mappingSize);
    chunks_.erase(chunks_.begin() + static_cast<std::ptrdiff_t>(index));
    if (current_ == index) {
        current_ = kNone;
    } else if (current_ != kNone && current_ > index) {
        --current_;
    }
}

}  // namespace Dorv::Orvan::Framework::Common
