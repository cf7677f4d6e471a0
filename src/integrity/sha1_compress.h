#pragma once

#include <cstddef>
#include <cstdint>

namespace quillguard {

// Compresses blockCount consecutive 64-byte blocks into the five chaining words, in order.
using Sha1CompressFunction = void (*)(std::uint32_t state[5], const std::uint8_t* blocks,
                                      std::size_t blockCount);

// The FIPS 180-4 compression function in plain C++, for every processor.
void Sha1CompressPortable(std::uint32_t state[5], const std::uint8_t* blocks,
                          std::size_t blockCount);

#if defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86)
#define QG_SHA1_X86_EXTENSIONS 1

// The same with the x86 SHA extensions; call only where Sha1ShaExtensionsAvailable() is true.
void Sha1CompressShaExtensions(std::uint32_t state[5], const std::uint8_t* blocks,
                               std::size_t blockCount);

// True when this processor has the SHA extensions and the SSE4.1 and SSSE3 they are used with.
bool Sha1ShaExtensionsAvailable();
#endif

// The fastest compression function for this processor, chosen once on first use.
Sha1CompressFunction SelectedSha1Compress();

}  // namespace quillguard
