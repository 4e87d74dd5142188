#include "library/zip/Crc32.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <random>
#include <vector>

namespace Dorv::Orvan::Framework::Common {
namespace {

TEST(Crc32Test, AgreesWithZlibForEveryLengthAndSplit) {
    std::mt19937 random(12345);
    std::vector<std::byte> data(4096 + 77);
    for (auto& b : data) {
        b = static_cast<std::byte>(random());
    }
    for (std::size_t length = 0; length <= data.size(); length += length < 300 ? 1 : 61) {
        const std::span<const std::byte> piece(data.data(), length);
        const auto expected =
            static_cast<std::uint32_t>(crc32_z(0, reinterpret_cast<const Bytef*>(piece.data()), piece.size()));
        ASSERT_EQ(Crc32(0, piece), expected) << "length " << length;
        const std::size_t split = length / 3;
        ASSERT_EQ(Crc32(Crc32(0, piece.first(split)), piece.subspan(split)), expected) << "split " << length;
    }
    const char* check = "123456789";
    EXPECT_EQ(Crc32(0, std::as_bytes(std::span(check, 9))), 0xCBF43926u);
}

}  // namespace
}  // namespace Dorv::Orvan::Framework::Common
