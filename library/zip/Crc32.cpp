#include "library/zip/Crc32.h"

#include <zlib.h>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace Dorv::Orvan::Framework::Common {
namespace {

std::uint32_t ZlibCrc32(std::uint32_t crc, std::span<const std::byte> data) {
    return static_cast<std::uint32_t>(crc32_z(crc, reinterpret_cast<const Bytef*>(data.data()), data.size()));
}

#if defined(__x86_64__)

__attribute__((target("pclmul,sse4.1"))) inline __m128i Load(const std::byte* at) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}

// Multiplies both halves of `value` by the folding constants and adds `next`.
__attribute__((target("pclmul,sse4.1"))) inline __m128i Fold(__m128i value, __m128i constants, __m128i next) {
    const __m128i low = _mm_clmulepi64_si128(value, constants, 0x00);
    const __m128i high = _mm_clmulepi64_si128(value, constants, 0x11);
    return _mm_xor_si128(_mm_xor_si128(high, low), next);
}

// Folds 64 bytes at a time with carry-less multiplication and reduces the
// result with Barrett's method (Gopal et al., "Fast CRC Computation for Generic
// Polynomials Using PCLMULQDQ", Intel, 2009), for the reflected polynomial
// 0xEDB88320. `crc` is the raw register (not inverted); `data` holds at least
// 64 bytes and a multiple of 16.
__attribute__((target("pclmul,sse4.1"))) std::uint32_t FoldCrc32(std::uint32_t crc, const std::byte* data,
                                                                  std::size_t length) {
    alignas(16) static constexpr std::uint64_t kFold4[] = {0x0154442bd4, 0x01c6e41596};
    alignas(16) static constexpr std::uint64_t kFold1[] = {0x01751997d0, 0x00ccaa009e};
    alignas(16) static constexpr std::uint64_t kFold64[] = {0x0163cd6124, 0x0000000000};
    alignas(16) static constexpr std::uint64_t kBarrett[] = {0x01db710641, 0x01f7011641};
    __m128i x1 = _mm_xor_si128(Load(data), _mm_cvtsi32_si128(static_cast<int>(crc)));
    __m128i x2 = Load(data + 16);
    __m128i x3 = Load(data + 32);
    __m128i x4 = Load(data + 48);
    data += 64;
    length -= 64;
    __m128i k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold4));
    for (; length >= 64; data += 64, length -= 64) {
        x1 = Fold(x1, k, Load(data));
        x2 = Fold(x2, k, Load(data + 16));
        x3 = Fold(x3, k, Load(data + 32));
        x4 = Fold(x4, k, Load(data + 48));
    }
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kFold1));
    x1 = Fold(x1, k, x2);
    x1 = Fold(x1, k, x3);
    x1 = Fold(x1, k, x4);
    for (; length >= 16; data += 16, length -= 16) {
        x1 = Fold(x1, k, Load(data));
    }
    // 128 bits to 64.
    const __m128i mask = _mm_setr_epi32(~0, 0, ~0, 0);
    x2 = _mm_clmulepi64_si128(x1, k, 0x10);
    x1 = _mm_xor_si128(_mm_srli_si128(x1, 8), x2);
    k = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kFold64));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_xor_si128(_mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x00), x2);
    // Barrett reduction to 32 bits.
    k = _mm_load_si128(reinterpret_cast<const __m128i*>(kBarrett));
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x1, mask), k, 0x10);
    x2 = _mm_clmulepi64_si128(_mm_and_si128(x2, mask), k, 0x00);
    return static_cast<std::uint32_t>(_mm_extract_epi32(_mm_xor_si128(x1, x2), 1));
}

bool HasCarrylessMultiply() {
    static const bool supported = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return supported;
}

#endif

}  // namespace

std::uint32_t Crc32(std::uint32_t crc, std::span<const std::byte> data) {
#if defined(__x86_64__)
    if (data.size() >= 64 && HasCarrylessMultiply()) {
        const std::size_t folded = data.size() & ~std::size_t{15};
        crc = ~FoldCrc32(~crc, data.data(), folded);
        data = data.subspan(folded);
    }
#endif
    return data.empty() ? crc : ZlibCrc32(crc, data);
}

}  // namespace Dorv::Orvan::Framework::Common
