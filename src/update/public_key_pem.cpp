#include "update/public_key_pem.h"

#include <algorithm>
#include <string>

#include "base/base64.h"

namespace quillguard {
namespace {

// 256-bit numbers as eight 32-bit limbs, least significant first. Only the curve equation is
// computed here, once per key, so plain shift-and-add arithmetic is enough.
using Number = std::array<std::uint32_t, 8>;

constexpr Number kPrime = {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0x00000000,
                           0x00000000, 0x00000000, 0x00000001, 0xFFFFFFFF};
constexpr Number kCurveB = {0x27D2604B, 0x3BCE3C3E, 0xCC53B0F6, 0x651D06B0,
                            0x769886BC, 0xB3EBBD55, 0xAA3A93E7, 0x5AC635D8};

Number FromBigEndian(std::span<const std::uint8_t, 32> bytes) {
    Number number{};
    for (std::size_t i = 0; i < 32; ++i) {
        number[(31 - i) / 4] |= std::uint32_t{bytes[i]} << (8 * ((31 - i) % 4));
    }
    return number;
}

bool IsBelow(const Number& a, const Number& b) {
    for (std::size_t i = a.size(); i-- > 0;) {
        if (a[i] != b[i]) {
            return a[i] < b[i];
        }
    }
    return false;
}

// a - b over the limbs, returning the borrow.
std::uint32_t Subtract(Number& a, const Number& b) {
    std::uint64_t borrow = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const std::uint64_t difference = std::uint64_t{a[i]} - b[i] - borrow;
        a[i] = static_cast<std::uint32_t>(difference);
        borrow = (difference >> 32) & 1;
    }
    return static_cast<std::uint32_t>(borrow);
}

// (a + b) mod p for a, b < p.
Number AddMod(const Number& a, const Number& b) {
    Number sum{};
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < sum.size(); ++i) {
        const std::uint64_t total = std::uint64_t{a[i]} + b[i] + carry;
        sum[i] = static_cast<std::uint32_t>(total);
        carry = total >> 32;
    }
    if (carry != 0 || !IsBelow(sum, kPrime)) {
        Subtract(sum, kPrime);
    }
    return sum;
}

Number SubtractMod(const Number& a, const Number& b) {
    Number difference = a;
    if (Subtract(difference, b) != 0) {
        std::uint64_t carry = 0;
        for (std::size_t i = 0; i < difference.size(); ++i) {
            const std::uint64_t total = std::uint64_t{difference[i]} + kPrime[i] + carry;
            difference[i] = static_cast<std::uint32_t>(total);
            carry = total >> 32;
        }
    }
    return difference;
}

// (a * b) mod p by doubling and adding, from b's top bit down.
Number MultiplyMod(const Number& a, const Number& b) {
    Number product{};
    for (std::size_t bit = 256; bit-- > 0;) {
        product = AddMod(product, product);
        if (((b[bit / 32] >> (bit % 32)) & 1) != 0) {
            product = AddMod(product, a);
        }
    }
    return product;
}

// id-ecPublicKey with prime256v1, then the BIT STRING of an uncompressed point: every P-256
// SubjectPublicKeyInfo starts with exactly these bytes.
constexpr std::array<std::uint8_t, 27> kSpkiPrefix = {
    0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01, 0x06,
    0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};

constexpr std::string_view kPemBegin = "-----BEGIN PUBLIC KEY-----";
constexpr std::string_view kPemEnd = "-----END PUBLIC KEY-----";

}  // namespace

bool IsOnP256Curve(std::span<const std::uint8_t, 64> point) {
    const Number x = FromBigEndian(point.first<32>());
    const Number y = FromBigEndian(point.last<32>());
    if (!IsBelow(x, kPrime) || !IsBelow(y, kPrime)) {
        return false;
    }
    const Number xCubed = MultiplyMod(MultiplyMod(x, x), x);
    const Number threeX = AddMod(AddMod(x, x), x);
    return MultiplyMod(y, y) == AddMod(SubtractMod(xCubed, threeX), kCurveB);
}

std::optional<P256PublicKey> ReadPublicKeyDer(std::span<const std::uint8_t> der) {
    if (der.size() != kSpkiPrefix.size() + 64 ||
        !std::equal(kSpkiPrefix.begin(), kSpkiPrefix.end(), der.begin())) {
        return std::nullopt;
    }
    P256PublicKey key;
    std::copy(der.begin() + kSpkiPrefix.size(), der.end(), key.point.begin());
    if (!IsOnP256Curve(key.point)) {
        return std::nullopt;
    }
    key.der.assign(der.begin(), der.end());
    return key;
}

std::optional<P256PublicKey> ReadPublicKeyPem(std::string_view pem) {
    std::string text(pem);
    std::erase(text, '\r');
    const auto begin = text.find(kPemBegin);
    if (begin == std::string::npos || text.compare(begin + kPemBegin.size(), 1, "\n") != 0) {
        return std::nullopt;
    }
    const auto bodyStart = begin + kPemBegin.size() + 1;
    const auto end = text.find(kPemEnd, bodyStart);
    if (end == std::string::npos) {
        return std::nullopt;
    }
    // Only the line breaks between base64 lines are dropped; anything else in the body fails.
    std::string body = text.substr(bodyStart, end - bodyStart);
    std::erase(body, '\n');
    const auto der = DecodeBase64(body);
    if (!der) {
        return std::nullopt;
    }
    return ReadPublicKeyDer(*der);
}

}  // namespace quillguard
