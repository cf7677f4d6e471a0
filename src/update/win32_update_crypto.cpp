#include "update/win32_update_crypto.h"

#include <algorithm>
#include <vector>

#include "base/readable_file.h"
#include "update/win32_cng.h"

namespace quillguard {
namespace {

constexpr std::size_t kFileChunkSize = 64 * 1024;

}  // namespace

bool Win32UpdateCrypto::VerifySignature(const std::array<std::uint8_t, 64>& point,
                                        std::string_view message,
                                        const std::array<std::uint8_t, 64>& signature) {
    CngSha256 hash;
    hash.Update({reinterpret_cast<const std::uint8_t*>(message.data()), message.size()});
    auto digest = hash.Finish();
    if (!digest) {
        return false;
    }
    // BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y, 32 bytes each. CNG checks the point.
    std::vector<std::uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + point.size());
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::copy_n(reinterpret_cast<const std::uint8_t*>(&header), sizeof(header), blob.begin());
    std::copy(point.begin(), point.end(), blob.begin() + sizeof(header));
    const UniqueCngAlgorithm algorithm = OpenCngAlgorithm(BCRYPT_ECDSA_P256_ALGORITHM);
    UniqueCngKey key;
    const CngCalls* cng = SystemCngCalls();
    if (!algorithm ||
        !CngSucceeded(cng->importKey(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, key.put(),
                                     blob.data(), static_cast<ULONG>(blob.size()), 0))) {
        return false;
    }
    auto signatureBytes = signature;
    return CngSucceeded(
        cng->verifySignature(key.get(), nullptr, digest->data(), static_cast<ULONG>(digest->size()),
                             signatureBytes.data(), static_cast<ULONG>(signatureBytes.size()), 0));
}

std::optional<Sha256Digest> Win32UpdateCrypto::HashFileSha256(const std::wstring& path) {
    ReadableFile file{std::filesystem::path(path)};
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    CngSha256 hash;
    std::vector<std::uint8_t> buffer(kFileChunkSize);
    for (;;) {
        const auto received = file.Read(buffer.data(), buffer.size());
        if (!received) {
            return std::nullopt;
        }
        if (*received == 0) {
            return hash.Finish();
        }
        if (!hash.Update({buffer.data(), *received})) {
            return std::nullopt;
        }
    }
}

}  // namespace quillguard
