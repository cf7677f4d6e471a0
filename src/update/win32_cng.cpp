#include "update/win32_cng.h"

#include <algorithm>
#include <type_traits>

namespace quillguard {

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
        bind(bound.generateKeyPair, "BCryptGenerateKeyPair");
        bind(bound.finalizeKeyPair, "BCryptFinalizeKeyPair");
        bind(bound.exportKey, "BCryptExportKey");
        bind(bound.signHash, "BCryptSignHash");
        return complete ? &bound : nullptr;
    }();
    return calls;
}

UniqueCngAlgorithm OpenCngAlgorithm(const wchar_t* name) {
    UniqueCngAlgorithm algorithm;
    const CngCalls* cng = SystemCngCalls();
    if (cng != nullptr && !CngSucceeded(cng->openAlgorithm(algorithm.put(), name, nullptr, 0))) {
        algorithm.reset();
    }
    return algorithm;
}

CngSha256::CngSha256() : algorithm_(OpenCngAlgorithm(BCRYPT_SHA256_ALGORITHM)) {
    good_ = algorithm_ && CngSucceeded(SystemCngCalls()->createHash(algorithm_.get(), hash_.put(),
                                                                    nullptr, 0, nullptr, 0, 0));
}

bool CngSha256::Update(std::span<const std::uint8_t> bytes) {
    // BCryptHashData takes a non-const pointer but only reads; its count is 32 bits.
    for (std::size_t at = 0; good_ && at < bytes.size();) {
        const ULONG size = static_cast<ULONG>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        good_ = CngSucceeded(SystemCngCalls()->hashData(
            hash_.get(), const_cast<PUCHAR>(bytes.data() + at), size, 0));
        at += size;
    }
    return good_;
}

std::optional<Sha256Digest> CngSha256::Finish() {
    Sha256Digest digest{};
    if (!good_ || !CngSucceeded(SystemCngCalls()->finishHash(
                      hash_.get(), digest.data(), static_cast<ULONG>(digest.size()), 0))) {
        return std::nullopt;
    }
    good_ = false;
    return digest;
}

}  // namespace quillguard
