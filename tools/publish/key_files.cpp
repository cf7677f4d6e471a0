#include "publish/key_files.h"

#include <system_error>

#include "publish/new_file.h"
#include "publish/publisher_crypto.h"
#include "publish/tree_files.h"
#include "publish/update_tree.h"

namespace quillguard::publish {
namespace {

// A PEM key file is a few hundred bytes; anything much longer is not one.
constexpr std::size_t kKeyFileLimit = 16 * 1024;

}  // namespace

int MakeKeyPair(const std::filesystem::path& folder, std::ostream& out, std::ostream& err) {
    const std::filesystem::path privatePath = folder / kPrivateKeyFileName;
    const std::filesystem::path publicPath = folder / kPublicKeyFileName;
    for (const auto& path : {privatePath, publicPath}) {
        std::error_code error;
        if (std::filesystem::symlink_status(path, error).type() !=
            std::filesystem::file_type::not_found) {
            err << "qg-publish: " << Printable(path)
                << ": is there already; keygen never replaces a key\n";
            return 1;
        }
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const auto key = GenerateSigningKey();
    if (error || !key) {
        err << "qg-publish: " << Printable(folder) << ": "
            << (error ? "cannot create the folder: " + error.message()
                      : std::string("cannot make a key"))
            << '\n';
        return 1;
    }
    auto problem = WriteNewFile(privatePath, SigningKeyPem(*key), Readers::kOwnerOnly);
    if (!problem) {
        problem = WriteNewFile(publicPath, PublicKeyPem(key->point), Readers::kEveryone);
        if (problem) {
            Remove(privatePath);
        }
    }
    if (problem) {
        err << "qg-publish: " << Printable(problem->path) << ": " << problem->text << '\n';
        return 1;
    }
    out << "wrote " << Printable(privatePath) << " (keep it offline, readable by you only)\n"
        << "wrote " << Printable(publicPath) << '\n'
        << "fingerprint " << Fingerprint(key->point) << '\n';
    return 0;
}

LoadedKey LoadSigningKey(const std::filesystem::path& path) {
    const auto text = ReadUpTo(path, kKeyFileLimit);
    if (!text) {
        return {std::nullopt, "cannot be read"};
    }
    auto key = text->size() <= kKeyFileLimit ? ReadSigningKeyPem(*text) : std::nullopt;
    if (!key) {
        return {std::nullopt,
                "not an unencrypted P-256 private key in PEM (PKCS#8, with its public key), as "
                "keygen writes it"};
    }
    // A public key that is not the secret's own would sign manifests no launcher accepts.
    constexpr std::string_view probe = "QuillGuard signing key check";
    const auto signature = SignMessage(*key, probe);
    if (!signature || !VerifyMessage(key->point, probe, *signature)) {
        return {std::nullopt, "its public key is not its private key's own, or it cannot sign"};
    }
    return {key, {}};
}

std::optional<std::array<std::uint8_t, 64>> LoadPublicKey(const std::filesystem::path& path) {
    const auto text = ReadUpTo(path, kKeyFileLimit);
    return text && text->size() <= kKeyFileLimit ? ReadPublicKeyPem(*text) : std::nullopt;
}

std::string Fingerprint(std::span<const std::uint8_t, 64> point) {
    const auto der = PublicKeyDer(point);
    Sha256Stream stream;
    stream.Update(der);
    const auto digest = stream.Finish();
    return digest ? HexOf(*digest) : std::string();
}

}  // namespace quillguard::publish
