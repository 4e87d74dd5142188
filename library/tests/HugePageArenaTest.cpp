#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

#include "library/io/HugePageArena.h"

namespace orvan::library::testing {
namespace {

using Dorv::Orvan::Framework::Common::HugePageArena;

class HugePageArenaTest : public ::testing::Test {
protected:
    void SetUp() override {
        void* probe = arena_.Allocate(1);
        mapsMemory_ = arena_.MappedBytes() != 0;
        arena_.Deallocate(probe);
    }

    HugePageArena arena_;
    bool mapsMemory_ = false;
};

TEST_F(HugePageArenaTest, BlocksOfEverySizeAreAlignedAndKeepTheirBytes) {
    std::vector<std::pair<unsigned char*, std::size_t>> blocks;
    for (const std::size_t size : {0u, 1u, 15u, 16u, 17u, 4096u, 1u << 20, 20u << 20, 70u << 20, 3u}) {
        auto* block = static_cast<unsigned char*>(arena_.Allocate(size));
        ASSERT_NE(block, nullptr) << size;
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u) << size;
        std::memset(block, static_cast<int>(blocks.size()), size);
        blocks.emplace_back(block, size);
    }
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto [block, size] = blocks[i];
        for (std::size_t at : {std::size_t{0}, size / 2, size - 1}) {
            if (size != 0) {
                EXPECT_EQ(block[at], static_cast<unsigned char>(i)) << "block " << i << " byte " << at;
            }
        }
        arena_.Deallocate(block);
    }
}

TEST_F(HugePageArenaTest, MemoryGoesBackWhenTheLastBlockOfAChunkGoes) {
    if (!mapsMemory_) {
        GTEST_SKIP() << "blocks come from malloc under the address sanitizer";
    }
    std::vector<void*> blocks;
    for (int i = 0; i < 200'000; ++i) {  // about 200 MiB: several chunks
        blocks.push_back(arena_.Allocate(1000));
    }
    void* large = arena_.Allocate(100u << 20);
    EXPECT_GE(arena_.MappedBytes(), 300u << 20);
    arena_.Deallocate(large);
    for (void* block : blocks) {
        arena_.Deallocate(block);
    }
    // At most the chunk in use stays, for the next blocks.
    EXPECT_LE(arena_.MappedBytes(), 66u << 20);
}

TEST_F(HugePageArenaTest, ThreadsGetBlocksOfTheirOwn) {
    constexpr int kBlocks = 20'000;
    const auto work = [this](unsigned char mark) {
        std::vector<unsigned char*> mine;
        for (int i = 0; i < kBlocks; ++i) {
            auto* block = static_cast<unsigned char*>(arena_.Allocate(48));
            std::memset(block, mark, 48);
            mine.push_back(block);
        }
        int intact = 0;
        for (unsigned char* block : mine) {
            intact += block[0] == mark && block[47] == mark;
            arena_.Deallocate(block);
        }
        return intact;
    };
    int first = 0;
    int second = 0;
    std::thread other([&] { second = work(2); });
    first = work(1);
    other.join();
    EXPECT_EQ(first, kBlocks);
    EXPECT_EQ(second, kBlocks);
}

}  // namespace
}  // namespace orvan::library::testing
