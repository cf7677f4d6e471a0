#include <windows.h>
// bcrypt.h needs the types windows.h declares.
#include <bcrypt.h>

#include <algorithm>
#include <vector>

#include "base/unique_handle.h"
#include "publish/publisher_crypto.h"
#include "update/win32_update_crypto.h"

namespace quillguard::publish {
namespace {

struct AlgorithmTraits {
    using pointer = BCRYPT_ALG_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::BCryptCloseAlgorithmProvider(value, 0); }
};
struct KeyTraits {
    using pointer = BCRYPT_KEY_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::BCryptDestroyKey(value); }
};
struct HashTraits {
    using pointer = BCRYPT_HASH_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { ::BCryptDestroyHash(value); }
};
using Algorithm = UniqueHandle<AlgorithmTraits>;
using Key = UniqueHandle<KeyTraits>;
using Hash = UniqueHandle<HashTraits>;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

Algorithm Open(const wchar_t* name) {
    Algorithm algorithm;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(algorithm.put(), name, nullptr, 0))) {
        algorithm.reset();
    }
    return algorithm;
}

// A private key blob: the header CNG expects, then X, Y and the secret.
std::vector<std::uint8_t> PrivateKeyBlob(const SigningKey& key) {
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
    std::vector<std::uint8_t> blob(sizeof header);
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof header, blob.begin());
    blob.insert(blob.end(), key.point.begin(), key.point.end());
    blob.insert(blob.end(), key.secret.begin(), key.secret.end());
    return blob;
}

Key Import(BCRYPT_ALG_HANDLE algorithm, std::vector<std::uint8_t> blob) {
    Key key;
    if (!Succeeded(::BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPRIVATE_BLOB, key.put(),
                                         blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        key.reset();
    }
    return key;
}

std::optional<Sha256> DigestOf(std::string_view message) {
    Sha256Stream stream;
    if (!stream.Update({reinterpret_cast<const std::uint8_t*>(message.data()), message.size()})) {
        return std::nullopt;
    }
    return stream.Finish();
}

}  // namespace

struct Sha256Stream::State {
    Algorithm algorithm = Open(BCRYPT_SHA256_ALGORITHM);
    Hash hash;
    bool good = algorithm && Succeeded(::BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0,
                                                          nullptr, 0, 0));
};

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) {}
Sha256Stream::~Sha256Stream() = default;

bool Sha256Stream::Update(std::span<const std::uint8_t> bytes) {
    // BCryptHashData takes a non-const pointer but only reads; its count is 32 bits.
    for (std::size_t at = 0; state_->good && at < bytes.size();) {
        const ULONG size = static_cast<ULONG>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        state_->good = Succeeded(
            ::BCryptHashData(state_->hash.get(), const_cast<PUCHAR>(bytes.data() + at), size, 0));
        at += size;
    }
    return state_->good;
}

std::optional<Sha256> Sha256Stream::Finish() {
    Sha256 digest;
    if (!state_->good || !Succeeded(::BCryptFinishHash(state_->hash.get(), digest.data(),
                                                       static_cast<ULONG>(digest.size()), 0))) {
        return std::nullopt;
    }
    state_->good = false;
    return digest;
}

std::optional<SigningKey> GenerateSigningKey() {
    const Algorithm algorithm = Open(BCRYPT_ECDSA_P256_ALGORITHM);
    Key key;
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + 96);
    ULONG size = 0;
    if (!algorithm || !Succeeded(::BCryptGenerateKeyPair(algorithm.get(), key.put(), 256, 0)) ||
        !Succeeded(::BCryptFinalizeKeyPair(key.get(), 0)) ||
        !Succeeded(::BCryptExportKey(key.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, blob.data(),
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
    const Algorithm algorithm = Open(BCRYPT_ECDSA_P256_ALGORITHM);
    if (!algorithm) {
        return std::nullopt;
    }
    const Key pair = Import(algorithm.get(), PrivateKeyBlob(key));
    auto digest = DigestOf(message);
    Signature signature;
    ULONG size = 0;
    if (!pair || !digest ||
        !Succeeded(::BCryptSignHash(pair.get(), nullptr, digest->data(),
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
