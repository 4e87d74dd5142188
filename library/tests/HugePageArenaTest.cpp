#include "library/io/HugePageArena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace orvan::library::testing {
namespace {

using Dorv::Orvan::Framework::Common::HugePageArena;

// Blocks of every size, and many small ones, allocated on two threads at
// once: how many are aligned and keep their bytes (each block its own mark,
// odd on one thread and even on the other).
int IntactBlocks(HugePageArena& arena, unsigned parity) {
    std::vector<std::size_t> sizes{0, 1, 15, 16, 17, 4096, 1u << 20, 20u << 20, 70u << 20, 3};
    sizes.resize(sizes.size() + 20'000, 48);
    std::vector<unsigned char*> blocks;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        blocks.push_back(static_cast<unsigned char*>(arena.Allocate(sizes[i])));
        std::memset(blocks[i], static_cast<int>((2 * i + parity) % 256), sizes[i]);
    }
    int intact = 0;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        const auto mark = static_cast<unsigned char>((2 * i + parity) % 256);
        const std::size_t size = sizes[i];
        intact += reinterpret_cast<std::uintptr_t>(blocks[i]) % alignof(std::max_align_t) == 0 &&
                  (size == 0 || (blocks[i][0] == mark && blocks[i][size / 2] == mark && blocks[i][size - 1] == mark));
        arena.Deallocate(blocks[i]);
    }
    return intact;
}

TEST(HugePageArenaTest, BlocksOfEverySizeOnTwoThreadsAreAlignedAndKeepTheirBytes) {
    HugePageArena arena;
    int other = 0;
    std::thread thread([&] { other = IntactBlocks(arena, 1); });
    EXPECT_EQ(IntactBlocks(arena, 0), 20'010);
    thread.join();
    EXPECT_EQ(other, 20'010);
}

TEST(HugePageArenaTest, MemoryGoesBackWhenTheLastBlockOfAChunkGoes) {
    HugePageArena arena;
    void* probe = arena.Allocate(1);
    const bool mapsMemory = arena.MappedBytes() != 0;
    arena.Deallocate(probe);
    if (!mapsMemory) {
        GTEST_SKIP() << "blocks come from malloc under the address sanitizer";
    }
    std::vector<void*> blocks;
    for (int i = 0; i < 200'000; ++i) {  // about 200 MiB: several chunks
        blocks.push_back(arena.Allocate(1000));
    }
    void* large = arena.Allocate(100u << 20);
    EXPECT_GE(arena.MappedBytes(), 300u << 20);
    arena.Deallocate(large);
    for (void* block : blocks) {
        arena.Deallocate(block);
    }
    // At most the chunk in use stays, for the next blocks.
    EXPECT_LE(arena.MappedBytes(), 66u << 20);
}

// Objects taken one by one while a structure loads are freed last made first,
// beside a block that stays: their room is used again, not the next chunk's.
TEST(HugePageArenaTest, BlocksFreedLastFirstWithTheirSizeAreUsedAgain) {
    HugePageArena arena;
    void* stays = arena.Allocate(1000);
    for (int i = 0; i < 100'000; ++i) {  // about 400 MiB made and freed
        void* blocks[] = {arena.Allocate(1000), arena.Allocate(24), arena.Allocate(3000)};
        arena.Deallocate(blocks[2], 3000);
        arena.Deallocate(blocks[1], 24);
        arena.Deallocate(blocks[0], 1000);
    }
    EXPECT_LE(arena.MappedBytes(), 66u << 20);
    arena.Deallocate(stays);
}

}  // namespace
}  // namespace orvan::library::testing
