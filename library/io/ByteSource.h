#pragma once

#include <cstddef>
#include <span>

namespace Dorv::Orvan::Framework::Common {

// A stream of bytes read in pieces: attachment content from a file or an archive entry.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Fills as much of `buffer` as it can; 0 only at the end. Throws the
    // library's exception when the content cannot be read or is damaged.
    virtual std::size_t Read(std::span<std::byte> buffer) = 0;
};

}  // namespace Dorv::Orvan::Framework::Common
