#include <algorithm>
#include <vector>

#include "publish/publisher_crypto.h"
#include "update/win32_cng.h"
#include "update/win32_update_crypto.h"

namespace quillguard::publish {
namespace {

// A private key blob: the header CNG expects, then X, Y and the secret.
std::vector<std::uint8_t> PrivateKeyBlob(const SigningKey& key) {
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
    std::vector<std::uint8_t> blob(sizeof header);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof header, blob.begin());
    blob.insert(blob.end(), key.point.begin(), key.point.end());
    blob.insert(blob.end(), key.secret.begin(), key.secret.end());
    return blob;
}

}  // namespace

struct Sha256Stream::State {
    CngSha256 hash;
};

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) {}
Sha256Stream::~Sha256Stream() = default;

bool Sha256Stream::Update(std::span<const std::uint8_t> bytes) {
    return state_->hash.Update(bytes);
}

std::optional<Sha256> Sha256Stream::Finish() {
    return state_->hash.Finish();
}

std::optional<SigningKey> GenerateSigningKey() {
    const UniqueCngAlgorithm algorithm = OpenCngAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    const CngCalls* cng = SystemCngCalls();
    UniqueCngKey key;
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 96);
    ULONG size = 0;
    if (!algorithm || !CngSucceeded(cng->generateKeyPair(algorithm.get(), key.put(), 256, 0)) ||
        !CngSucceeded(cng->finalizeKeyPair(key.get(), 0)) ||
        !CngSucceeded(cng->exportKey(key.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(),
                                     static_cast<ULONG>(blob.size()), &size, 0)) ||
        size != blob.size()) {
        return std::nullopt;
    }
    SigningKey pair;
    const auto values = blob.begin() + sizeof(BCRYPT_ECCKEY_BLOB);
    std::copy_n(values, 64, pair.point.begin());
    std::copy_n(values + 64, 32, pair.secret.begin());
    return pair;
}

std::optional<Signature> SignMessage(const SigningKey& key, std::string_view message) {
    const UniqueCngAlgorithm algorithm = OpenCngAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!algorithm) {
        return std::nullopt;
    }
    const CngCalls* cng = SystemCngCalls();
    std::vector<std::uint8_t> blob = PrivateKeyBlob(key);
    UniqueCngKey pair;
    if (!CngSucceeded(cng->importKey(algorithm.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, pair.put(),
                                     blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        return std::nullopt;
    }
    CngSha256 hash;
    hash.Update({reinterpret_cast<const std::uint8_t*>(message.data()), message.size()});
    auto digest = hash.Finish();
    Signature signature;
    ULONG size = 0;
    if (!digest ||
        !CngSucceeded(cng->signHash(pair.get(), nullptr, digest->data(),
                                    static_cast<ULONG>(digest->size()), signature.data(),
                                    static_cast<ULONG>(signature.size()), &size, 0)) ||
        size != signature.size()) {
        return std::nullopt;
    }
    return signature;
}

bool VerifyMessage(std::span<const std::uint8_t, 64> point, std::string_view message,
                   const Signature& signature) {
    std::array<std::uint8_t, 64> key;
    std::copy(point.begin(), point.end(), key.begin());
    // The launcher's own check, so that what verify accepts is what launchers accept.
    return Win32UpdateCrypto().VerifySignature(key, message, signature);
}

}  // namespace quillguard::publish
