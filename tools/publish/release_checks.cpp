#include "publish/release_checks.h"

#include <algorithm>

#include "base/readable_file.h"
#include "net/manifest.h"
#include "pe/pe_format.h"
#include "publish/image_identity.h"
#include "publish/tree_files.h"
#include "publish/update_tree.h"

namespace quillguard::publish {
namespace {

constexpr char kUpdateServer[] = "UpdateServer";
constexpr char kUpdateSigningKeys[] = "UpdateSigningKeys";

bool IsFingerprint(std::string_view text) {
    std::array<std::uint8_t, 32> key;  // a fingerprint is a SHA-256
    return ReadHex(text, key) && HexOf(key) == text;
}

std::string ImageProblem(pe::ReadStatus status, const ReadableFile& file) {
    switch (status) {
        case pe::ReadStatus::kSeekFailed:
        case pe::ReadStatus::kReadFailed:
            return "cannot read: " + file.LastErrorText();
        case pe::ReadStatus::kTruncated:
            return "not a PE image: it ends inside its headers or resources";
        case pe::ReadStatus::kMalformed:
        case pe::ReadStatus::kOk:
            break;
    }
    return "not a PE image, or its resources are malformed";
}

std::string MachineName(std::uint16_t machine) {
    switch (machine) {
        case pe::kMachineX64:
            return "x64";
        case pe::kMachineX86:
            return "x86";
        default:
            return "machine 0x" + std::to_string(machine);
    }
}

// The kind of image in a file, or the problem reading it.
struct Kind {
    std::optional<ImageKind> kind;
    std::string problem;
};

Kind KindOf(const std::filesystem::path& path) {
    ReadableFile file(path);
    if (!file.IsOpen()) {
        return {std::nullopt, "cannot open: " + file.LastErrorText()};
    }
    const auto kind = ReadImageKind(file);
    if (!kind.ok()) {
        return {std::nullopt, ImageProblem(kind.status, file)};
    }
    return {kind.value, {}};
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const auto& part : parts) {
        text += (text.empty() ? "" : ";") + part;
    }
    return text;
}

}  // namespace

ReadIdentity ReadLauncherIdentity(const std::filesystem::path& path) {
    ReadableFile file(path);
    if (!file.IsOpen()) {
        return {std::nullopt, "cannot open: " + file.LastErrorText()};
    }
    const auto strings = ReadVersionStrings(file);
    if (!strings.ok()) {
        return {std::nullopt, ImageProblem(strings.status, file)};
    }
    const auto server = strings.value.find(kUpdateServer);
    if (server == strings.value.end()) {
        return {std::nullopt,
                "not a launcher of this project: its version resource has no UpdateServer "
                "(the game given by mistake?)"};
    }
    LauncherIdentity identity{server->second, {}};
    const auto keys = strings.value.find(kUpdateSigningKeys);
    if (keys != strings.value.end() && keys->second != "none") {
        std::string_view rest = keys->second;
        for (;;) {
            const auto semicolon = std::min(rest.find(';'), rest.size());
            const std::string_view fingerprint = rest.substr(0, semicolon);
            if (!IsFingerprint(fingerprint)) {
                return {std::nullopt, "its UpdateSigningKeys \"" + keys->second +
                                          "\" is neither \"none\" nor fingerprints"};
            }
            identity.keyFingerprints.emplace_back(fingerprint);
            if (semicolon == rest.size()) {
                break;
            }
            rest.remove_prefix(semicolon + 1);
        }
    }
    return {std::move(identity), {}};
}

std::optional<std::filesystem::path> PublishedLauncher(const std::filesystem::path& root,
                                                       std::string_view baseUrl) {
    const auto body = ReadUpTo(OnDisk(root, kLauncherManifestPath), kFetchLimit);
    if (!body || body->size() > kFetchLimit) {
        return std::nullopt;
    }
    const ManifestReading reading = ReadManifest(*body);
    if (reading.finding != ManifestFinding::Read || !reading.manifest.url) {
        return std::nullopt;
    }
    const auto treePath = TreePathOf(baseUrl, NarrowUrl(*reading.manifest.url));
    if (!treePath) {
        return std::nullopt;
    }
    return OnDisk(root, *treePath);
}

std::optional<std::string> ServerProblem(const LauncherIdentity& launcher,
                                         std::string_view baseUrl) {
    if (launcher.updateServer != baseUrl) {
        return "built for the update server " + launcher.updateServer + ", not " +
               std::string(baseUrl) +
               ": players would follow it to a server that does not serve them and never "
               "update again";
    }
    return std::nullopt;
}

std::optional<std::string> KeysProblem(const LauncherIdentity& launcher,
                                       const std::optional<std::string>& signingFingerprint) {
    const auto& keys = launcher.keyFingerprints;
    if (signingFingerprint &&
        std::find(keys.begin(), keys.end(), *signingFingerprint) == keys.end()) {
        return "its UpdateSigningKeys (" + (keys.empty() ? "none" : Joined(keys)) +
               ") does not hold the key of --signing-key (" + *signingFingerprint +
               "): launchers would refuse every update";
    }
    if (!signingFingerprint && !keys.empty()) {
        return "it takes only manifests signed by " + Joined(keys) +
               ", and no --signing-key was given: launchers would refuse every update";
    }
    return std::nullopt;
}

std::optional<std::string> LibraryProblem(const std::filesystem::path& library,
                                          std::span<const std::filesystem::path> games) {
    const Kind libraryKind = KindOf(library);
    if (!libraryKind.kind) {
        return libraryKind.problem;
    }
    if (!libraryKind.kind->dll) {
        return std::string("not a DLL: no game can load it");
    }
    for (const auto& game : games) {
        const Kind gameKind = KindOf(game);
        // A game that cannot be read is named with its own problem elsewhere.
        if (gameKind.kind && gameKind.kind->machine != libraryKind.kind->machine) {
            return "built for " + MachineName(libraryKind.kind->machine) + ", but " +
                   Printable(game) + " is " + MachineName(gameKind.kind->machine) +
                   ": the game cannot load it";
        }
    }
    return std::nullopt;
}

}  // namespace quillguard::publish
