#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>

#include <algorithm>
#include <vector>

#include "publish/publisher_crypto.h"

namespace quillguard::publish {
namespace {

template <auto Free>
struct Deleter {
    template <typename T>
    void operator()(T* value) const {
        Free(value);
    }
};
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY_free>>;
using KeyContext = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX_free>>;
using DigestContext = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX_free>>;
using Number = std::unique_ptr<BIGNUM, Deleter<BN_free>>;
using ParamBuilder = std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD_free>>;
using Params = std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM_free>>;
using EcdsaSignature = std::unique_ptr<ECDSA_SIG, Deleter<ECDSA_SIG_free>>;

void FreeBytes(unsigned char* bytes) {
    OPENSSL_free(bytes);
}
using OwnedBytes = std::unique_ptr<unsigned char, Deleter<FreeBytes>>;

constexpr char kCurve[] = "prime256v1";

// A P-256 key from its point and, for signing, its secret.
Key KeyOf(std::span<const std::uint8_t, 64> point, const std::uint8_t* secret) {
    std::array<std::uint8_t, 65> uncompressed = {0x04};
    std::copy(point.begin(), point.end(), uncompressed.begin() + 1);
    const ParamBuilder builder(OSSL_PARAM_BLD_new());
    const Number scalar(secret != nullptr ? BN_bin2bn(secret, 32, nullptr) : nullptr);
    if (!builder || (secret != nullptr && !scalar) ||
        OSSL_PARAM_BLD_push_utf8_string(builder.get(), OSSL_PKEY_PARAM_GROUP_NAME, kCurve, 0) !=
            1 ||
        OSSL_PARAM_BLD_push_octet_string(builder.get(), OSSL_PKEY_PARAM_PUB_KEY,
                                         uncompressed.data(), uncompressed.size()) != 1 ||
        (scalar &&
         OSSL_PARAM_BLD_push_BN(builder.get(), OSSL_PKEY_PARAM_PRIV_KEY, scalar.get()) != 1)) {
        return nullptr;
    }
    const Params params(OSSL_PARAM_BLD_to_param(builder.get()));
    const KeyContext context(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr));
    EVP_PKEY* key = nullptr;
    if (!params || !context || EVP_PKEY_fromdata_init(context.get()) != 1 ||
        EVP_PKEY_fromdata(context.get(), &key,
                          secret != nullptr ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY,
                          params.get()) != 1) {
        return nullptr;
    }
    return Key(key);
}

}  // namespace

struct Sha256Stream::State {
    DigestContext context{EVP_MD_CTX_new()};
    bool good = context && EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) == 1;
};

Sha256Stream::Sha256Stream() : state_(std::make_unique<State>()) {}
Sha256Stream::~Sha256Stream() = default;

bool Sha256Stream::Update(std::span<const std::uint8_t> bytes) {
    state_->good =
        state_->good && EVP_DigestUpdate(state_->context.get(), bytes.data(), bytes.size()) == 1;
    return state_->good;
}

std::optional<Sha256> Sha256Stream::Finish() {
    Sha256 digest;
    unsigned size = 0;
    if (!state_->good || EVP_DigestFinal_ex(state_->context.get(), digest.data(), &size) != 1 ||
        size != digest.size()) {
        return std::nullopt;
    }
    state_->good = false;
    return digest;
}

std::optional<SigningKey> GenerateSigningKey() {
    const Key key(EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256"));
    BIGNUM* scalar = nullptr;
    if (!key || EVP_PKEY_get_bn_param(key.get(), OSSL_PKEY_PARAM_PRIV_KEY, &scalar) != 1) {
        return std::nullopt;
    }
    const Number secret(scalar);
    SigningKey pair;
    std::array<std::uint8_t, 65> uncompressed;
    std::size_t size = 0;
    if (BN_bn2binpad(secret.get(), pair.secret.data(), 32) != 32 ||
        EVP_PKEY_get_octet_string_param(key.get(), OSSL_PKEY_PARAM_PUB_KEY, uncompressed.data(),
                                        uncompressed.size(), &size) != 1 ||
        size != uncompressed.size() || uncompressed[0] != 0x04) {
        return std::nullopt;
    }
    std::copy(uncompressed.begin() + 1, uncompressed.end(), pair.point.begin());
    return pair;
}

std::optional<Signature> SignMessage(const SigningKey& key, std::string_view message) {
    const Key pair = KeyOf(key.point, key.secret.data());
    const DigestContext context(EVP_MD_CTX_new());
    std::vector<std::uint8_t> der(128);
    std::size_t size = der.size();
    if (!pair || !context ||
        EVP_DigestSignInit(context.get(), nullptr, EVP_sha256(), nullptr, pair.get()) != 1 ||
        EVP_DigestSign(context.get(), der.data(), &size,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1) {
        return std::nullopt;
    }
    const unsigned char* at = der.data();
    const EcdsaSignature parsed(d2i_ECDSA_SIG(nullptr, &at, static_cast<long>(size)));
    if (!parsed) {
        return std::nullopt;
    }
    Signature signature;
    if (BN_bn2binpad(ECDSA_SIG_get0_r(parsed.get()), signature.data(), 32) != 32 ||
        BN_bn2binpad(ECDSA_SIG_get0_s(parsed.get()), signature.data() + 32, 32) != 32) {
        return std::nullopt;
    }
    return signature;
}

bool VerifyMessage(std::span<const std::uint8_t, 64> point, std::string_view message,
                   const Signature& signature) {
    const Key key = KeyOf(point, nullptr);
    EcdsaSignature parsed(ECDSA_SIG_new());
    Number r(BN_bin2bn(signature.data(), 32, nullptr));
    Number s(BN_bin2bn(signature.data() + 32, 32, nullptr));
    if (!key || !parsed || !r || !s || ECDSA_SIG_set0(parsed.get(), r.get(), s.get()) != 1) {
        return false;
    }
    (void)r.release();  // the signature owns them now
    (void)s.release();
    unsigned char* der = nullptr;
    const int size = i2d_ECDSA_SIG(parsed.get(), &der);
    if (size <= 0) {
        return false;
    }
    const OwnedBytes owned(der);
    const DigestContext context(EVP_MD_CTX_new());
    return context &&
           EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) == 1 &&
           EVP_DigestVerify(context.get(), der, static_cast<std::size_t>(size),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

}  // namespace quillguard::publish
