#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

namespace orvan::gui::testing {

// An attachment source of `mebibytes` MiB of bytes that do not compress, so
// that Export and Import report progress many times over.
inline void WriteLargeAttachment(const std::filesystem::path& path, std::size_t mebibytes) {
    std::ofstream file(path, std::ios::binary);
    std::uint64_t state = 0x9E3779B97F4A7C15u;
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < mebibytes; ++i) {
        for (char& byte : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            byte = static_cast<char>(state >> 56);
        }
        file.write(block.data(), static_cast<std::streamsize>(block.size()));
    }
}

}  // namespace orvan::gui::testing
