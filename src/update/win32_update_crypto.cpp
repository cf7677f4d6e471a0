#include "update/win32_update_crypto.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "base/readable_file.h"
#include "base/unique_handle.h"

namespace quillguard {
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

constexpr std::size_t kFileChunkSize = 64 * 1024;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

// SHA-256 of what feed hands over, one piece at a time; feed returns false on a failed read.
std::optional<Sha256Digest> Sha256Of(
    const std::function<bool(const std::function<bool(const void*, std::size_t)>&)>& feed) {
    UniqueHandle<AlgorithmTraits> algorithm;
    UniqueHandle<HashTraits> hash;
    if (!Succeeded(
            ::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !Succeeded(::BCryptCreateHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0))) {
        return std::nullopt;
    }
    const bool fed = feed([&](const void* data, std::size_t size) {
        return Succeeded(::BCryptHashData(hash.get(), static_cast<PUCHAR>(const_cast<void*>(data)),
                                          static_cast<ULONG>(size), 0));
    });
    Sha256Digest digest{};
    if (!fed || !Succeeded(::BCryptFinishHash(hash.get(), digest.data(),
                                              static_cast<ULONG>(digest.size()), 0))) {
        return std::nullopt;
    }
    return digest;
}

}  // namespace

bool Win32UpdateCrypto::VerifySignature(const std::array<std::uint8_t, 64>& point,
                                        std::string_view message,
                                        const std::array<std::uint8_t, 64>& signature) {
    auto digest =
        Sha256Of([&](const auto& consume) { return consume(message.data(), message.size()); });
    if (!digest) {
        return false;
    }
    // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y, 32 bytes each.
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + point.size());
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof(header), blob.begin());
    std::copy(point.begin(), point.end(), blob.begin() + sizeof(header));
    UniqueHandle<AlgorithmTraits> algorithm;
    UniqueHandle<KeyTraits> key;
    if (!Succeeded(::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM,
                                                 nullptr, 0)) ||
        !Succeeded(::BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(),
                                         blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        return false;
    }
    auto signatureBytes = signature;
    return Succeeded(::BCryptVerifySignature(
        key.get(), nullptr, digest->data(), static_cast<ULONG>(digest->size()),
        signatureBytes.data(), static_cast<ULONG>(signatureBytes.size()), 0));
}

std::optional<Sha256Digest> Win32UpdateCrypto::HashFileSha256(const std::wstring& path) {
    ReadableFile file{std::filesystem::path(path)};
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    return Sha256Of([&](const auto& consume) {
        std::vector<std::uint8_t> buffer(kFileChunkSize);
        for (;;) {
            const auto received = file.Read(buffer.data(), buffer.size());
            if (!received) {
                return false;
            }
            if (*received == 0) {
                return true;
            }
            if (!consume(buffer.data(), *received)) {
                return false;
            }
        }
    });
}

}  // namespace quillguard
