#pragma once

#include <cstdint>

#include "integrity/sha1_compress.h"
#include "integrity/sha1_digest.h"

namespace quillguard {

// Streaming SHA-1 (FIPS 180-4) of one message. Allocates nothing; whole blocks are compressed
// straight from the caller's memory and only a partial block is buffered.
class Sha1 {
  public:
    // Uses the fastest compression function for this processor.
    Sha1();
    // Uses the given compression function, so that every path can be checked against the others.
    explicit Sha1(Sha1CompressFunction compress);

    // Feeds length more bytes of the message; any split of a message gives the same digest.
    void Update(const void* data, std::uint64_t length);

    // Pads and returns the digest. The state is then spent: a new message needs a new Sha1.
    Sha1Digest Final();

  private:
    void ProcessBlocks(const std::uint8_t* blocks, std::uint64_t length);

    std::uint8_t buffer_[128] = {};  // one block, plus room for padding that spills into a second
    std::uint64_t bufferedCount_ = 0;
    std::uint64_t totalLength_ = 0;  // bytes compressed so far
    std::uint32_t state_[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    Sha1CompressFunction compress_;
};

}  // namespace quillguard
