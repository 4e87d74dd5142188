#include "library/io/TransferBuffer.h"

#include <memory>

namespace Dorv::Orvan::Framework::Common {

std::span<std::byte> TransferBuffer() {
    constexpr std::size_t kSize = 1 << 20;
    thread_local const std::unique_ptr<std::byte[]> buffer(new std::byte[kSize]);
    return {buffer.get(), kSize};
}

}  // namespace Dorv::Orvan::Framework::Common
