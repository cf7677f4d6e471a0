#include "integrity/sha1_compress.h"

#ifdef QG_SHA1_X86_EXTENSIONS

#include <immintrin.h>

#ifdef _MSC_VER
#include <intrin.h>
#else
#include <cpuid.h>
#endif

// GCC and Clang only emit these instructions in functions that ask for them, so that the rest of
// the program still runs on processors without them. MSVC emits any intrinsic anywhere.
#if defined(__GNUC__) || defined(__clang__)
#define QG_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))
#else
#define QG_SHA_TARGET
#endif

namespace quillguard {
namespace {

// Loads message words 4q..4q+3 with the first in the top lane, where the SHA instructions want
// it, and each word turned from big-endian: one byte reversal of the whole register does both.
QG_SHA_TARGET __m128i LoadMessageWords(const std::uint8_t* bytes) {
    const __m128i reverseBytes = _mm_set_epi64x(0x0001020304050607, 0x08090A0B0C0D0E0F);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), reverseBytes);
}

// Rounds 4q..4q+3 for q >= 1, using words 4q..4q+3 in `current`. previousAbcd holds ABCD as it
// was four rounds earlier, whose A rotated is this group's E. The next three registers hold the
// words of groups q+1, q+2 and q+3 part way through their schedule; each step that needs
// `current` is done here, so every group's words are complete by the time its rounds start.
template <int Q>
QG_SHA_TARGET void FourRounds(__m128i& abcd, __m128i& previousAbcd, __m128i current, __m128i& next,
                              __m128i& afterNext, __m128i& thirdNext) {
    const __m128i eAndWords = _mm_sha1nexte_epu32(previousAbcd, current);
    previousAbcd = abcd;
    // W[t] = rotl1(W[t-16] ^ W[t-14] ^ W[t-8] ^ W[t-3]) for the 64 words past the first 16.
    if constexpr (Q >= 3 && Q <= 18) {
        next = _mm_sha1msg2_epu32(next, current);
    }
    abcd = _mm_sha1rnds4_epu32(abcd, eAndWords, Q / 5);
    if constexpr (Q >= 2 && Q <= 17) {
        afterNext = _mm_xor_si128(afterNext, current);
    }
    if constexpr (Q <= 16) {
        thirdNext = _mm_sha1msg1_epu32(thirdNext, current);
    }
}

}  // namespace

QG_SHA_TARGET void Sha1CompressShaExtensions(std::uint32_t state[5], const std::uint8_t* blocks,
                                             std::size_t blockCount) {
    if (blockCount == 0) {
        return;
    }
    // A in the top lane, as the round instruction expects; only E's top lane is ever used.
    __m128i abcd =
        _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    __m128i e = _mm_insert_epi32(_mm_setzero_si128(), static_cast<int>(state[4]), 3);

    // The chaining value stays in registers from one block to the next.
    for (const std::uint8_t* const end = blocks + 64 * blockCount; blocks != end; blocks += 64) {
        const __m128i abcdAtStart = abcd;
        const __m128i eAtStart = e;
        __m128i w0 = LoadMessageWords(blocks);
        __m128i w1 = LoadMessageWords(blocks + 16);
        __m128i w2 = LoadMessageWords(blocks + 32);
        __m128i w3 = LoadMessageWords(blocks + 48);

        // The first group adds the incoming E itself; later groups derive it from an earlier A.
        __m128i previousAbcd = abcd;
        abcd = _mm_sha1rnds4_epu32(abcd, _mm_add_epi32(e, w0), 0);
        FourRounds<1>(abcd, previousAbcd, w1, w2, w3, w0);
        FourRounds<2>(abcd, previousAbcd, w2, w3, w0, w1);
        FourRounds<3>(abcd, previousAbcd, w3, w0, w1, w2);
        FourRounds<4>(abcd, previousAbcd, w0, w1, w2, w3);
        FourRounds<5>(abcd, previousAbcd, w1, w2, w3, w0);
        FourRounds<6>(abcd, previousAbcd, w2, w3, w0, w1);
        FourRounds<7>(abcd, previousAbcd, w3, w0, w1, w2);
        FourRounds<8>(abcd, previousAbcd, w0, w1, w2, w3);
        FourRounds<9>(abcd, previousAbcd, w1, w2, w3, w0);
        FourRounds<10>(abcd, previousAbcd, w2, w3, w0, w1);
        FourRounds<11>(abcd, previousAbcd, w3, w0, w1, w2);
        FourRounds<12>(abcd, previousAbcd, w0, w1, w2, w3);
        FourRounds<13>(abcd, previousAbcd, w1, w2, w3, w0);
        FourRounds<14>(abcd, previousAbcd, w2, w3, w0, w1);
        FourRounds<15>(abcd, previousAbcd, w3, w0, w1, w2);
        FourRounds<16>(abcd, previousAbcd, w0, w1, w2, w3);
        FourRounds<17>(abcd, previousAbcd, w1, w2, w3, w0);
        FourRounds<18>(abcd, previousAbcd, w2, w3, w0, w1);
        FourRounds<19>(abcd, previousAbcd, w3, w0, w1, w2);

        // E after the last round is A from four rounds before it, rotated.
        e = _mm_sha1nexte_epu32(previousAbcd, eAtStart);
        abcd = _mm_add_epi32(abcd, abcdAtStart);
    }

    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1B));
    state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e, 3));
}

bool Sha1ShaExtensionsAvailable() {
    constexpr unsigned sse41Bit = 1u << 19;
    constexpr unsigned ssse3Bit = 1u << 9;
    constexpr unsigned shaBit = 1u << 29;
#ifdef _MSC_VER
    int registers[4];  // EAX, EBX, ECX, EDX
    __cpuidex(registers, 0, 0);
    if (registers[0] < 7) {
        return false;
    }
    __cpuidex(registers, 1, 0);
    const auto leaf1Ecx = static_cast<unsigned>(registers[2]);
    __cpuidex(registers, 7, 0);
    const auto leaf7Ebx = static_cast<unsigned>(registers[1]);
#else
    if (__get_cpuid_max(0, nullptr) < 7) {
        return false;
    }
    unsigned eax = 0;
    unsigned ebx = 0;
    unsigned ecx = 0;
    unsigned edx = 0;
    __cpuid_count(1, 0, eax, ebx, ecx, edx);
    const unsigned leaf1Ecx = ecx;
    __cpuid_count(7, 0, eax, ebx, ecx, edx);
    const unsigned leaf7Ebx = ebx;
#endif
    return (leaf1Ecx & sse41Bit) != 0 && (leaf1Ecx & ssse3Bit) != 0 && (leaf7Ebx & shaBit) != 0;
}

}  // namespace quillguard

#endif
