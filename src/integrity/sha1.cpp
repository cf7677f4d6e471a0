#include "integrity/sha1.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace quillguard {

Sha1::Sha1() : Sha1(SelectedSha1Compress()) {}

Sha1::Sha1(Sha1CompressFunction compress) : compress_(compress) {}

void Sha1::ProcessBlocks(const std::uint8_t* blocks, std::uint64_t length) {
    totalLength_ += length;
    compress_(state_, blocks, static_cast<std::size_t>(length / 64));
}

void Sha1::Update(const void* data, std::uint64_t length) {
    if (length == 0) {
        return;  // data may then be null, which memcpy must never be given
    }
    const auto* input = static_cast<const std::uint8_t*>(data);
    if (bufferedCount_ > 0) {
        const std::uint64_t taken = std::min<std::uint64_t>(64 - bufferedCount_, length);
        std::memcpy(buffer_ + bufferedCount_, input, static_cast<std::size_t>(taken));
        bufferedCount_ += taken;
        input += taken;
        length -= taken;
        if (bufferedCount_ < 64) {
            return;
        }
        ProcessBlocks(buffer_, 64);
        bufferedCount_ = 0;
    }
    const std::uint64_t wholeBlocks = length - length % 64;
    if (wholeBlocks > 0) {
        ProcessBlocks(input, wholeBlocks);
        input += wholeBlocks;
        length -= wholeBlocks;
    }
    if (length > 0) {
        std::memcpy(buffer_, input, static_cast<std::size_t>(length));
    }
    bufferedCount_ = length;
}

Sha1Digest Sha1::Final() {
    const std::uint64_t n = bufferedCount_;
    const std::uint64_t messageBits = (totalLength_ + n) * 8;
    buffer_[n] = 0x80;
    const std::uint64_t zeros = (55 - n) % 64;  // unsigned wrap-around gives 64 + 55 - n past 55
    std::memset(buffer_ + n + 1, 0, static_cast<std::size_t>(zeros));
    std::uint8_t* lengthField = buffer_ + n + 1 + zeros;
    for (int i = 0; i < 8; ++i) {
        lengthField[i] = static_cast<std::uint8_t>(messageBits >> (56 - 8 * i));
    }
    ProcessBlocks(buffer_, n + 1 + zeros + 8);
    std::memset(buffer_, 0, sizeof(buffer_));
    bufferedCount_ = 0;

    Sha1Digest digest;
    for (int word = 0; word < 5; ++word) {
        for (int i = 0; i < 4; ++i) {
            digest.bytes[static_cast<std::size_t>(4 * word + i)] =
                static_cast<std::uint8_t>(state_[word] >> (24 - 8 * i));
        }
    }
    return digest;
}

}  // namespace quillguard
