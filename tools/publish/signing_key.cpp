#include "publish/signing_key.h"

#include <algorithm>
#include <utility>

#include "base/base64.h"

namespace quillguard::publish {
namespace {

// DER of the parts of a P-256 key that never change.
constexpr std::array<std::uint8_t, 21> kAlgorithm = {
    0x30, 0x13, 0x06, 0x07, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x02, 0x01,  // id-ecPublicKey
    0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};       // prime256v1
constexpr std::array<std::uint8_t, 10> kCurve = {0x06, 0x08, 0x2A, 0x86, 0x48,
                                                 0xCE, 0x3D, 0x03, 0x01, 0x07};
constexpr std::array<std::uint8_t, 3> kVersion0 = {0x02, 0x01, 0x00};
constexpr std::array<std::uint8_t, 3> kVersion1 = {0x02, 0x01, 0x01};

constexpr std::uint8_t kSequence = 0x30;
constexpr std::uint8_t kOctetString = 0x04;
constexpr std::uint8_t kBitString = 0x03;
constexpr std::uint8_t kParameters = 0xA0;
constexpr std::uint8_t kPublicKey = 0xA1;

using Bytes = std::vector<std::uint8_t>;

// One DER element: its tag and its content; lengths up to 255 are all a P-256 key needs.
void Append(Bytes& out, std::uint8_t tag, std::span<const std::uint8_t> content) {
    out.push_back(tag);
    if (content.size() >= 0x80) {
        out.push_back(0x81);
    }
    out.push_back(static_cast<std::uint8_t>(content.size()));
    out.insert(out.end(), content.begin(), content.end());
}

// The bit string of an uncompressed point: no unused bits, 0x04, X‖Y.
Bytes PointBits(std::span<const std::uint8_t, 64> point) {
    Bytes bits(2 + point.size());
    bits[1] = 0x04;
    std::copy(point.begin(), point.end(), bits.begin() + 2);
    return bits;
}

// Reads DER elements in order from a span, refusing anything but what is asked for.
class DerReader {
  public:
    explicit DerReader(std::span<const std::uint8_t> bytes) : rest_(bytes) {}

    // The content of the next element if it has this tag.
    std::optional<std::span<const std::uint8_t>> Next(std::uint8_t tag) {
        if (rest_.size() < 2 || rest_[0] != tag) {
            return std::nullopt;
        }
        std::size_t length = rest_[1];
        std::size_t header = 2;
        if (length == 0x81 && rest_.size() >= 3 && rest_[2] >= 0x80) {
            length = rest_[2];
            header = 3;
        } else if (length >= 0x80) {
            return std::nullopt;
        }
        if (rest_.size() - header < length) {
            return std::nullopt;
        }
        const auto content = rest_.subspan(header, length);
        rest_ = rest_.subspan(header + length);
        return content;
    }

    // Whether the next bytes are exactly these, taking them if so.
    bool Take(std::span<const std::uint8_t> expected) {
        if (rest_.size() < expected.size() ||
            !std::equal(expected.begin(), expected.end(), rest_.begin())) {
            return false;
        }
        rest_ = rest_.subspan(expected.size());
        return true;
    }

    bool AtEnd() const { return rest_.empty(); }

  private:
    std::span<const std::uint8_t> rest_;
};

// The ECPrivateKey inside the PKCS#8 octet string: version 1, the secret, the curve if named
// again, and the public point.
std::optional<SigningKey> ReadEcPrivateKey(std::span<const std::uint8_t> der) {
    DerReader outer(der);
    const auto sequence = outer.Next(kSequence);
    if (!sequence || !outer.AtEnd()) {
        return std::nullopt;
    }
    DerReader reader(*sequence);
    SigningKey key;
    const auto secret = reader.Take(kVersion1) ? reader.Next(kOctetString) : std::nullopt;
    if (!secret || secret->size() != key.secret.size()) {
        return std::nullopt;
    }
    if (const auto curve = reader.Next(kParameters);
        curve && !std::equal(curve->begin(), curve->end(), kCurve.begin(), kCurve.end())) {
        return std::nullopt;
    }
    const auto publicKey = reader.Next(kPublicKey);
    if (!publicKey) {
        return std::nullopt;
    }
    DerReader bits(*publicKey);
    const auto point = bits.Next(kBitString);
    if (!point || !bits.AtEnd() || !reader.AtEnd() || point->size() != 2 + key.point.size() ||
        (*point)[0] != 0 || (*point)[1] != 0x04) {
        return std::nullopt;
    }
    std::copy(secret->begin(), secret->end(), key.secret.begin());
    std::copy(point->begin() + 2, point->end(), key.point.begin());
    return key;
}

// The bytes between a PEM block's BEGIN and END lines for this label; LF or CRLF line ends.
std::optional<std::vector<std::uint8_t>> PemBody(std::string_view pem, std::string_view label) {
    const std::string begin = "-----BEGIN " + std::string(label) + "-----";
    const std::string end = "-----END " + std::string(label) + "-----";
    const auto first = pem.find(begin);
    const auto last = pem.find(end);
    if (first == std::string_view::npos || last == std::string_view::npos || last < first) {
        return std::nullopt;
    }
    std::string base64;
    for (const char c : pem.substr(first + begin.size(), last - first - begin.size())) {
        if (c != '\n' && c != '\r') {
            base64.push_back(c);
        }
    }
    return DecodeBase64(base64);
}

// Hands read the content of the one DER sequence in the PEM block with this label; nothing when
// there is no such block or sequence.
template <typename Read>
auto ReadPemSequence(std::string_view pem, std::string_view label, Read read)
    -> decltype(read(std::declval<DerReader&>())) {
    const auto der = PemBody(pem, label);
    if (!der) {
        return std::nullopt;
    }
    DerReader outer(*der);
    const auto sequence = outer.Next(kSequence);
    if (!sequence || !outer.AtEnd()) {
        return std::nullopt;
    }
    DerReader reader(*sequence);
    return read(reader);
}

std::string Pem(std::string_view label, std::span<const std::uint8_t> der) {
    const std::string base64 = EncodeBase64(der);
    std::string pem = "-----BEGIN " + std::string(label) + "-----\n";
    for (std::size_t at = 0; at < base64.size(); at += 64) {
        pem += base64.substr(at, 64) + "\n";
    }
    return pem + "-----END " + std::string(label) + "-----\n";
}

}  // namespace

std::optional<SigningKey> ReadSigningKeyPem(std::string_view pem) {
    return ReadPemSequence(pem, "PRIVATE KEY", [](DerReader& reader) -> std::optional<SigningKey> {
        if (!reader.Take(kVersion0) || !reader.Take(kAlgorithm)) {
            return std::nullopt;
        }
        const auto privateKey = reader.Next(kOctetString);
        return privateKey && reader.AtEnd() ? ReadEcPrivateKey(*privateKey) : std::nullopt;
    });
}

std::optional<std::array<std::uint8_t, 64>> ReadPublicKeyPem(std::string_view pem) {
    using Point = std::array<std::uint8_t, 64>;
    return ReadPemSequence(pem, "PUBLIC KEY", [](DerReader& reader) -> std::optional<Point> {
        Point point{};
        const auto bits = reader.Take(kAlgorithm) ? reader.Next(kBitString) : std::nullopt;
        if (!bits || !reader.AtEnd() || bits->size() != 2 + point.size() || (*bits)[0] != 0 ||
            (*bits)[1] != 0x04) {
            return std::nullopt;
        }
        std::copy(bits->begin() + 2, bits->end(), point.begin());
        return point;
    });
}

std::string SigningKeyPem(const SigningKey& key) {
    Bytes ecPrivateKey(kVersion1.begin(), kVersion1.end());
    Append(ecPrivateKey, kOctetString, key.secret);
    Bytes publicKey;
    Append(publicKey, kBitString, PointBits(key.point));
    Append(ecPrivateKey, kPublicKey, publicKey);
    Bytes wrapped;
    Append(wrapped, kSequence, ecPrivateKey);
    Bytes info(kVersion0.begin(), kVersion0.end());
    info.insert(info.end(), kAlgorithm.begin(), kAlgorithm.end());
    Append(info, kOctetString, wrapped);
    Bytes der;
    Append(der, kSequence, info);
    return Pem("PRIVATE KEY", der);
}

std::vector<std::uint8_t> PublicKeyDer(std::span<const std::uint8_t, 64> point) {
    Bytes info(kAlgorithm.begin(), kAlgorithm.end());
    Append(info, kBitString, PointBits(point));
    Bytes der;
    Append(der, kSequence, info);
    return der;
}

std::string PublicKeyPem(std::span<const std::uint8_t, 64> point) {
    return Pem("PUBLIC KEY", PublicKeyDer(point));
}

}  // namespace quillguard::publish
