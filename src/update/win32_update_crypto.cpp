#include "update/win32_update_crypto.h"

#include <windows.h>

#include <bcrypt.h>

#include <algorithm>
#include <functional>
#include <type_traits>
#include <vector>

#include "base/readable_file.h"
#include "base/unique_handle.h"

namespace quillguard {
namespace {

// The CNG calls the launcher makes, bound at run time: bcrypt.dll is not among the DLLs Windows
// always takes from its own folder, and one planted beside the launcher in a game folder the
// player can write must never be loaded, least of all to check signatures.
struct CngCalls {
    decltype(&::BCryptOpenAlgorithmProvider) openAlgorithm = nullptr;
    decltype(&::BCryptCloseAlgorithmProvider) closeAlgorithm = nullptr;
    decltype(&::BCryptCreateHash) createHash = nullptr;
    decltype(&::BCryptHashData) hashData = nullptr;
    decltype(&::BCryptFinishHash) finishHash = nullptr;
    decltype(&::BCryptDestroyHash) destroyHash = nullptr;
    decltype(&::BCryptImportKeyPair) importKey = nullptr;
    decltype(&::BCryptDestroyKey) destroyKey = nullptr;
    decltype(&::BCryptVerifySignature) verifySignature = nullptr;
};

// Null when bcrypt.dll or one of its functions cannot be found; the module stays loaded.
const CngCalls* SystemCngCalls() {
    static const CngCalls* const calls = []() -> const CngCalls* {
        static CngCalls bound;
        const HMODULE module =
            ::LoadLibraryExW(L"bcrypt.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        if (module == nullptr) {
            return nullptr;
        }
        bool complete = true;
        const auto bind = [&](auto& function, const char* name) {
            // GetProcAddress returns an untyped pointer; the field's type is the SDK's own.
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                reinterpret_cast<void*>(::GetProcAddress(module, name)));
            complete = complete && function != nullptr;
        };
        bind(bound.openAlgorithm, "BCryptOpenAlgorithmProvider");
        bind(bound.closeAlgorithm, "BCryptCloseAlgorithmProvider");
        bind(bound.createHash, "BCryptCreateHash");
        bind(bound.hashData, "BCryptHashData");
        bind(bound.finishHash, "BCryptFinishHash");
        bind(bound.destroyHash, "BCryptDestroyHash");
        bind(bound.importKey, "BCryptImportKeyPair");
        bind(bound.destroyKey, "BCryptDestroyKey");
        bind(bound.verifySignature, "BCryptVerifySignature");
        return complete ? &bound : nullptr;
    }();
    return calls;
}

// Handles exist only once the calls are bound, so the traits close through them.
struct AlgorithmTraits {
    using pointer = BCRYPT_ALG_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { SystemCngCalls()->closeAlgorithm(value, 0); }
};
struct KeyTraits {
    using pointer = BCRYPT_KEY_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { SystemCngCalls()->destroyKey(value); }
};
struct HashTraits {
    using pointer = BCRYPT_HASH_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { SystemCngCalls()->destroyHash(value); }
};

constexpr std::size_t kFileChunkSize = 64 * 1024;

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

// SHA-256 of what feed hands over, one piece at a time; feed returns false on a failed read.
std::optional<Sha256Digest> Sha256Of(
    const std::function<bool(const std::function<bool(const void*, std::size_t)>&)>& feed) {
    const CngCalls* cng = SystemCngCalls();
    if (cng == nullptr) {
        return std::nullopt;
    }
    UniqueHandle<AlgorithmTraits> algorithm;
    UniqueHandle<HashTraits> hash;
    if (!Succeeded(cng->openAlgorithm(algorithm.put(), BCRYPT_SHA256_ALGORITHM, nullptr, 0)) ||
        !Succeeded(cng->createHash(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0))) {
        return std::nullopt;
    }
    const bool fed = feed([&](const void* data, std::size_t size) {
        return Succeeded(cng->hashData(hash.get(), static_cast<PUCHAR>(const_cast<void*>(data)),
                                       static_cast<ULONG>(size), 0));
    });
    Sha256Digest digest{};
    if (!fed || !Succeeded(cng->finishHash(hash.get(), digest.data(),
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
    const CngCalls* cng = SystemCngCalls();
    if (!digest || cng == nullptr) {
        return false;
    }
    // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y, 32 bytes each.
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + point.size());
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof(header), blob.begin());
    std::copy(point.begin(), point.end(), blob.begin() + sizeof(header));
    UniqueHandle<AlgorithmTraits> algorithm;
    UniqueHandle<KeyTraits> key;
    if (!Succeeded(cng->openAlgorithm(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0)) ||
        !Succeeded(cng->importKey(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(),
                                  blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        return false;
    }
    auto signatureBytes = signature;
    return Succeeded(cng->verifySignature(key.get(), nullptr, digest->data(),
                                          static_cast<ULONG>(digest->size()), signatureBytes.data(),
                                          static_cast<ULONG>(signatureBytes.size()), 0));
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
