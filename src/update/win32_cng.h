#pragma once

#include <windows.h>
// bcrypt.h needs the types windows.h declares.
#include <bcrypt.h>

#include <optional>
#include <span>

#include "base/unique_handle.h"
#include "update/update_trust.h"

namespace quillguard {

// The CNG calls of the launcher and the Windows publisher, bound at run time: bcrypt.dll is not
// among the DLLs Windows always takes from its own folder, and one planted beside the launcher in
// a game folder the player can write must never be loaded, least of all to check signatures.
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
    // The publisher's alone.
    decltype(&::BCryptGenerateKeyPair) generateKeyPair = nullptr;
    decltype(&::BCryptFinalizeKeyPair) finalizeKeyPair = nullptr;
    decltype(&::BCryptExportKey) exportKey = nullptr;
    decltype(&::BCryptSignHash) signHash = nullptr;
};

// The calls of the system's bcrypt.dll; null when it or one of its functions cannot be found.
const CngCalls* SystemCngCalls();

// Handles exist only once the calls are bound, so the traits close through them.
struct CngAlgorithmTraits {
    using pointer = BCRYPT_ALG_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { SystemCngCalls()->closeAlgorithm(value, 0); }
};
struct CngKeyTraits {
    using pointer = BCRYPT_KEY_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { SystemCngCalls()->destroyKey(value); }
};
struct CngHashTraits {
    using pointer = BCRYPT_HASH_HANDLE;
    static pointer Invalid() noexcept { return nullptr; }
    static void Close(pointer value) noexcept { SystemCngCalls()->destroyHash(value); }
};
using UniqueCngAlgorithm = UniqueHandle<CngAlgorithmTraits>;
using UniqueCngKey = UniqueHandle<CngKeyTraits>;
using UniqueCngHash = UniqueHandle<CngHashTraits>;

inline bool CngSucceeded(NTSTATUS status) {
    return status >= 0;
}

// The provider of a CNG algorithm (BCRYPT_SHA256_ALGORITHM, ...); empty on failure.
UniqueCngAlgorithm OpenCngAlgorithm(const wchar_t* name);

// SHA-256 of bytes given piece by piece.
class CngSha256 {
  public:
    CngSha256();

    // False once CNG failed; Finish then gives nothing.
    bool Update(std::span<const std::uint8_t> bytes);
    std::optional<Sha256Digest> Finish();

  private:
    UniqueCngAlgorithm algorithm_;
    UniqueCngHash hash_;
    bool good_ = false;
};

}  // namespace quillguard
