#pragma once

#include <cstddef>

namespace Dorv::Orvan::Framework::Common {

// A claim on open files beyond those the process holds now. The soft limit is
// only a default below the hard one, there for programs that hold many files
// to raise: this raises it as far as the claim needs (never beyond the hard
// limit) for as long as any claim lives, and the last claim to go puts back
// the limit the process had, so that claims alive at once never lower it
// under one another. What a claim grants counts the descriptors actually
// free, leaving a reserve for everything else the process opens meanwhile.
class OpenFileClaim {
public:
    static constexpr std::size_t kReserve = 256;

    explicit OpenFileClaim(std::size_t wanted);
    ~OpenFileClaim();
    OpenFileClaim(const OpenFileClaim&) = delete;
    OpenFileClaim& operator=(const OpenFileClaim&) = delete;

    // How many files, up to the number wanted, the holder may keep open.
    std::size_t Granted() const { return granted_; }

    // Descriptors the process holds open now.
    static std::size_t OpenNow();

private:
    std::size_t granted_ = 0;
};

}  // namespace Dorv::Orvan::Framework::Common
