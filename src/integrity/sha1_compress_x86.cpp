#include "integrity/sha1_compress.h"

#ifdef QG_SHA1_X86_EXTENSIONS

#include <immintrin.h>

#include <utility>

#ifdef _MSC_VER
#include <intrin.h>
#else
#include <cpuid.h>
#endif

// GCC and Clang only emit these instructions in functions that ask for them, so that the rest of
// the program still runs on processors without them. MSVC emits any intrinsic anywhere. The
// helpers are forced inline: a block's whole working set must stay in registers, not in memory
// passed between calls.
#if defined(__GNUC__) || defined(__clang__)
#define QG_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))
#define QG_SHA_INLINE inline __attribute__((always_inline, target("sha,sse4.1,ssse3")))
#else
#define QG_SHA_TARGET
#define QG_SHA_INLINE __forceinline
#endif

namespace quillguard {
namespace {

// Message words are handled four at a time, as group q = words 4q..4q+3, first word in the top
// lane where the SHA instructions want it. A block has 20 groups, one per four rounds.
constexpr int kGroups = 20;

// Groups 0..7 depend only on the block's own bytes, so they are prepared while the block before
// is still in its rounds; groups 8..19 are derived during the block's own rounds.
constexpr int kEarlyGroups = 8;

QG_SHA_INLINE __m128i LoadGroup(const std::uint8_t* bytes) {
    // One byte reversal of the whole register puts the first word on top and makes every word
    // big-endian.
    const __m128i reverseBytes = _mm_set_epi64x(0x0001020304050607, 0x08090A0B0C0D0E0F);
    return _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes)), reverseBytes);
}

template <int G>
QG_SHA_INLINE void PrepareEarlyGroup(__m128i (&early)[kEarlyGroups], const std::uint8_t* block) {
    if constexpr (G < 4) {
        early[G] = LoadGroup(block + 16 * G);
    } else {
        // W[t] = rotl1(W[t-3] ^ W[t-8] ^ W[t-14] ^ W[t-16]), as the SHA instructions define it.
        const __m128i partial =
            _mm_xor_si128(_mm_sha1msg1_epu32(early[G - 4], early[G - 3]), early[G - 2]);
        early[G] = _mm_sha1msg2_epu32(partial, early[G - 1]);
    }
}

template <int... G>
QG_SHA_INLINE void PrepareEarlyGroups(std::integer_sequence<int, G...>,
                                      __m128i (&early)[kEarlyGroups], const std::uint8_t* block) {
    (PrepareEarlyGroup<G>(early, block), ...);
}

// Past word 32 the schedule also satisfies W[t] = rotl2(W[t-6] ^ W[t-16] ^ W[t-28] ^ W[t-32])
// (expand each term of the one-bit recurrence once more; the rest cancel in pairs). Its newest
// input is six words back, so a whole group follows from earlier groups with a few plain SSE
// instructions. That avoids sha1msg2, whose serial chain is slower than the rounds on recent Intel
// cores and would hold them up.
template <int G>
QG_SHA_INLINE void DeriveLateGroup(__m128i (&w)[kGroups]) {
    const __m128i older = _mm_xor_si128(_mm_xor_si128(w[G - 8], w[G - 7]), w[G - 4]);
    const __m128i x = _mm_xor_si128(older, _mm_alignr_epi8(w[G - 2], w[G - 1], 8));
    w[G] = _mm_or_si128(_mm_slli_epi32(x, 2), _mm_srli_epi32(x, 30));
}

// Rounds 4q..4q+3. After four rounds E is the rotated A from four rounds earlier, which
// sha1nexte adds to the message words; previousAbcd carries that A from group to group.
template <int Q>
QG_SHA_INLINE void RoundGroup(__m128i& abcd, __m128i& previousAbcd, __m128i e,
                              const __m128i (&w)[kGroups]) {
    const __m128i eAndWords =
        Q == 0 ? _mm_add_epi32(e, w[0]) : _mm_sha1nexte_epu32(previousAbcd, w[Q]);
    previousAbcd = abcd;
    abcd = _mm_sha1rnds4_epu32(abcd, eAndWords, Q / 5);
}

template <bool PrepareNext, int Q>
QG_SHA_INLINE void Step(__m128i& abcd, __m128i& previousAbcd, __m128i e, __m128i (&w)[kGroups],
                        __m128i (&early)[kEarlyGroups], const std::uint8_t* nextBlock) {
    RoundGroup<Q>(abcd, previousAbcd, e, w);
    if constexpr (Q + 1 >= kEarlyGroups && Q + 1 < kGroups) {
        DeriveLateGroup<Q + 1>(w);
    }
    // The middle of the block has the most slack for the next block's loads and sha1msg2 chain.
    if constexpr (PrepareNext && Q >= 8 && Q < 8 + kEarlyGroups) {
        PrepareEarlyGroup<Q - 8>(early, nextBlock);
    }
}

template <bool PrepareNext, int... Q>
QG_SHA_INLINE void Steps(std::integer_sequence<int, Q...>, __m128i& abcd, __m128i& previousAbcd,
                         __m128i e, __m128i (&w)[kGroups], __m128i (&early)[kEarlyGroups],
                         const std::uint8_t* nextBlock) {
    (Step<PrepareNext, Q>(abcd, previousAbcd, e, w, early, nextBlock), ...);
}

// Compresses the block whose early groups are prepared, and prepares nextBlock's in their place.
template <bool PrepareNext>
QG_SHA_INLINE void CompressBlock(__m128i& abcd, __m128i& e, __m128i (&early)[kEarlyGroups],
                                 const std::uint8_t* nextBlock) {
    __m128i w[kGroups];
    for (int g = 0; g < kEarlyGroups; ++g) {
        w[g] = early[g];
    }
    __m128i abcdAfter = abcd;
    __m128i previousAbcd = abcd;
    Steps<PrepareNext>(std::make_integer_sequence<int, kGroups>{}, abcdAfter, previousAbcd, e, w,
                       early, nextBlock);
    e = _mm_sha1nexte_epu32(previousAbcd, e);
    abcd = _mm_add_epi32(abcdAfter, abcd);
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
    __m128i early[kEarlyGroups];
    PrepareEarlyGroups(std::make_integer_sequence<int, kEarlyGroups>{}, early, blocks);
    for (; blockCount > 1; --blockCount) {
        blocks += 64;
        CompressBlock<true>(abcd, e, early, blocks);
    }
    CompressBlock<false>(abcd, e, early, nullptr);

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
