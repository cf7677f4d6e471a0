#include <bit>
#include <utility>

#include "integrity/sha1_compress.h"

namespace quillguard {
namespace {

std::uint32_t LoadBigEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
           static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

// Round T of FIPS 180-4 with its function and constant fixed at compile time. The five working
// words rotate through the parameters instead of being moved: the caller passes them shifted by
// one position each round, so only e and b change here.
template <int T>
inline void Round(std::uint32_t a, std::uint32_t& b, std::uint32_t c, std::uint32_t d,
                  std::uint32_t& e, std::uint32_t (&w)[16]) {
    // The schedule lives in a 16-word ring: word T needs only the 16 before it.
    if constexpr (T >= 16) {
        w[T & 15] = std::rotl(w[(T - 3) & 15] ^ w[(T - 8) & 15] ^ w[(T - 14) & 15] ^ w[T & 15], 1);
    }
    std::uint32_t f;
    std::uint32_t k;
    if constexpr (T < 20) {
        f = d ^ (b & (c ^ d));  // choose
        k = 0x5A827999u;
    } else if constexpr (T < 40) {
        f = b ^ c ^ d;  // parity
        k = 0x6ED9EBA1u;
    } else if constexpr (T < 60) {
        f = (b & c) | (d & (b | c));  // majority
        k = 0x8F1BBCDCu;
    } else {
        f = b ^ c ^ d;
        k = 0xCA62C1D6u;
    }
    e += std::rotl(a, 5) + f + k + w[T & 15];
    b = std::rotl(b, 30);
}

template <int T>
inline void FiveRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                       std::uint32_t& e, std::uint32_t (&w)[16]) {
    Round<T>(a, b, c, d, e, w);
    Round<T + 1>(e, a, b, c, d, w);
    Round<T + 2>(d, e, a, b, c, w);
    Round<T + 3>(c, d, e, a, b, w);
    Round<T + 4>(b, c, d, e, a, w);
}

// All 80 rounds unrolled, so every index and constant is known to the compiler.
template <int... Group>
inline void EightyRounds(std::uint32_t& a, std::uint32_t& b, std::uint32_t& c, std::uint32_t& d,
                         std::uint32_t& e, std::uint32_t (&w)[16],
                         std::integer_sequence<int, Group...>) {
    (FiveRounds<5 * Group>(a, b, c, d, e, w), ...);
}

}  // namespace

void Sha1CompressPortable(std::uint32_t state[5], const std::uint8_t* blocks,
                          std::size_t blockCount) {
    for (std::size_t block = 0; block < blockCount; ++block, blocks += 64) {
        std::uint32_t w[16];
        for (int t = 0; t < 16; ++t) {
            w[t] = LoadBigEndian32(blocks + 4 * t);
        }
        std::uint32_t a = state[0];
        std::uint32_t b = state[1];
        std::uint32_t c = state[2];
        std::uint32_t d = state[3];
        std::uint32_t e = state[4];
        EightyRounds(a, b, c, d, e, w, std::make_integer_sequence<int, 16>());
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
}

}  // namespace quillguard
