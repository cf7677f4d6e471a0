#include "publish/publish_tree.h"

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <system_error>

#include "game/client_library_update.h"
#include "integrity/file_hashing.h"
#include "net/manifest.h"
#include "publish/build_inputs.h"
#include "publish/key_files.h"
#include "publish/manifest_signing.h"
#include "publish/release_checks.h"
#include "publish/tree_files.h"
#include "publish/update_tree.h"

namespace quillguard::publish {
namespace {

// One build to publish, checked and hashed.
struct Build {
    std::filesystem::path source;
    Sha1Digest digest;
    FileSha256 file;       // what a signed manifest names
    std::string treePath;  // where it goes: files/<sha1>.<extension>
};

// What signed manifests are signed with, and the versions they take by path in the tree.
struct Signing {
    SigningKey key;
    std::string fingerprint;
    std::optional<std::string> expires;
    std::map<std::string, std::uint64_t, std::less<>> versions;
};

void Problem(std::ostream& err, const std::filesystem::path& path, std::string_view text) {
    err << "qg-publish: " << Printable(path) << ": " << text << '\n';
}

// Names a refused input on err with the reason; true when it was refused.
bool Refused(const std::filesystem::path& path, const InputDigest& input, std::ostream& err) {
    if (!input.digest) {
        Problem(err, path, input.problem);
    }
    return !input.digest;
}

// Checks and hashes a build, if one is given; false when it is refused.
bool ReadBuild(const std::optional<std::filesystem::path>& path, std::string_view extension,
               std::optional<Build>& build, std::ostream& err) {
    if (!path) {
        return true;
    }
    const InputDigest input = BuildDigest(*path);
    if (Refused(*path, input, err)) {
        return false;
    }
    const auto file = Sha256AndSize(*path);
    if (!file) {
        Problem(err, *path, "cannot be read");
        return false;
    }
    build = Build{*path, *input.digest, *file, BuildPath(*input.digest, extension)};
    return true;
}

// Why the file already at a build's name in the tree cannot stand for it. Its name promises only
// the input's SHA-1, which a planted file can share by collision: it stands only with the
// input's SHA-256 and size, which are what gets signed.
std::optional<std::string> PlantedProblem(const std::filesystem::path& root, const Build& build) {
    const std::filesystem::path target = OnDisk(root, build.treePath);
    std::error_code error;
    if (!std::filesystem::exists(target, error)) {
        return std::nullopt;
    }
    if (Sha256AndSize(target) != build.file) {
        return Printable(target) + " is there with other bytes (planted or damaged): move it aside";
    }
    return std::nullopt;
}

// Reads the signing key, if one is given; false when it cannot sign.
bool ReadSigning(const TreeOptions& options, std::optional<Signing>& signing, std::ostream& err) {
    if (!options.signingKey) {
        return true;
    }
    const LoadedKey loaded = LoadSigningKey(*options.signingKey);
    if (!loaded.key) {
        Problem(err, *options.signingKey, loaded.problem);
        return false;
    }
    signing = Signing{*loaded.key, Fingerprint(loaded.key->point), std::nullopt, {}};
    if (options.expiresInDays) {
        signing->expires = ExpiryAfter(std::chrono::system_clock::now(), *options.expiresInDays);
    }
    return true;
}

// Whether a launcher players may run after this publication takes what is published; false
// after naming why not. A launcher that holds no keys ignores signatures, so the one the tree
// serves may be such a launcher while the given one starts signing.
bool LauncherTakesIt(const std::filesystem::path& launcher, bool served, const TreeOptions& options,
                     const std::optional<Signing>& signing, std::ostream& err) {
    const ReadIdentity read = ReadLauncherIdentity(launcher);
    auto problem = read.identity ? ServerProblem(*read.identity, options.baseUrl)
                                 : std::optional(read.problem);
    if (!problem && !(served && read.identity->keyFingerprints.empty())) {
        problem = KeysProblem(*read.identity,
                              signing ? std::optional(signing->fingerprint) : std::nullopt);
    }
    if (problem) {
        Problem(err, launcher, served ? "the launcher the tree serves: " + *problem : *problem);
    }
    return !problem;
}

// Whether every launcher players may run after this publication takes what is published: the
// one the tree serves, which every player runs until the update, and the one given.
bool LaunchersTakeIt(const TreeOptions& options, const std::optional<Signing>& signing,
                     std::ostream& err) {
    bool taken = true;
    if (const auto served = PublishedLauncher(options.root, FilesBaseUrl(options))) {
        taken = LauncherTakesIt(*served, true, options, signing, err);
    }
    if (options.launcher) {
        taken = LauncherTakesIt(*options.launcher, false, options, signing, err) && taken;
    }
    return taken;
}

// Tells the version of each manifest to sign; false after naming one that cannot be told.
bool ReadVersions(const TreeOptions& options, const std::set<std::string>& manifests,
                  Signing& signing, std::ostream& err) {
    bool told = true;
    for (const std::string& treePath : manifests) {
        const std::filesystem::path path = OnDisk(options.root, treePath);
        std::error_code error;
        const bool there = std::filesystem::exists(path, error);
        const auto body = there ? ReadUpTo(path, kFetchLimit) : std::nullopt;
        const NextVersion next =
            there && !body ? NextVersion{std::nullopt, "cannot be read"} : NextVersionAfter(body);
        if (next.version) {
            signing.versions.emplace(treePath, *next.version);
        } else {
            Problem(err, path, next.problem);
            told = false;
        }
    }
    return told;
}

void Report(std::ostream& out, bool written, std::string_view treePath) {
    out << (written ? "wrote " : "kept  ") << treePath << '\n';
}

// Copies a build into the tree unless it is already there (PlantedProblem checked that file). The
// copy is hashed before it takes its name: a source changed since it was checked is never
// published.
std::optional<FileProblem> PlaceBuild(const std::filesystem::path& root, const Build& build,
                                      std::ostream& out) {
    const std::filesystem::path target = OnDisk(root, build.treePath);
    std::error_code error;
    if (std::filesystem::exists(target, error)) {
        Report(out, false, build.treePath);
        return std::nullopt;
    }
    std::filesystem::path temporary;
    if (auto problem = CopyToTemporary(build.source, target, temporary)) {
        return problem;
    }
    if (HashFile(temporary) != build.digest) {
        Remove(temporary);
        return FileProblem{build.source, "changed while it was being published"};
    }
    if (auto problem = MoveReplacing(temporary, target)) {
        return problem;
    }
    Report(out, true, build.treePath);
    return std::nullopt;
}

// The manifest naming a build: today's members, or signed ones for the server at the base URL.
// Nothing when signing fails.
std::optional<std::string> ManifestFor(const TreeOptions& options, std::string_view treePath,
                                       const Build& build, const std::optional<Signing>& signing,
                                       const std::optional<std::string>& existing) {
    const std::string url = UrlOf(FilesBaseUrl(options), build.treePath);
    if (!signing) {
        return ManifestText(build.digest, url);
    }
    const SignedMembers members{options.baseUrl,
                                "/" + std::string(treePath),
                                HexOf(build.digest.bytes),
                                HexOf(build.file.sha256),
                                build.file.size,
                                signing->versions.find(treePath)->second,
                                url,
                                signing->expires};
    if (existing && SaysAlready(*existing, members, signing->key.point)) {
        return existing;
    }
    return SignedManifestText(members, signing->key);
}

// Writes a manifest naming a build, unless it already says exactly that.
std::optional<FileProblem> PlaceManifest(const TreeOptions& options, std::string_view treePath,
                                         const Build& build, const std::optional<Signing>& signing,
                                         std::ostream& out) {
    const std::filesystem::path target = OnDisk(options.root, treePath);
    const auto existing = ReadUpTo(target, kFetchLimit);
    const auto text = ManifestFor(options, treePath, build, signing, existing);
    if (!text) {
        return FileProblem{target, "cannot be signed: the signing key failed"};
    }
    if (existing == text) {
        Report(out, false, treePath);
        return std::nullopt;
    }
    if (auto problem = WriteReplacing(target, *text)) {
        return problem;
    }
    Report(out, true, treePath);
    return std::nullopt;
}

}  // namespace

int PublishTree(const TreeOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<Signing> signing;
    std::optional<Build> launcher;
    std::optional<Build> library;
    bool accepted = ReadSigning(options, signing, err);
    accepted = ReadBuild(options.launcher, "exe", launcher, err) && accepted;
    accepted = ReadBuild(options.clientLibrary, "dll", library, err) && accepted;
    // Games that share a code section share a stub, and so one manifest.
    std::set<std::string> stubs;
    for (const auto& game : options.games) {
        const InputDigest stubId = StubId(game);
        accepted = !Refused(game, stubId, err) && accepted;
        if (stubId.digest) {
            stubs.insert(StubManifestPath(*stubId.digest));
        }
    }
    if (library) {
        if (const auto problem = LibraryProblem(*options.clientLibrary, options.games)) {
            Problem(err, *options.clientLibrary, *problem);
            accepted = false;
        }
    }
    for (const auto* build : {&library, &launcher}) {
        if (*build) {
            if (const auto problem = PlantedProblem(options.root, **build)) {
                Problem(err, (*build)->source, *problem);
                accepted = false;
            }
        }
    }
    // Without the key it was meant to sign with, the launchers cannot be judged.
    if (signing || !options.signingKey) {
        accepted = LaunchersTakeIt(options, signing, err) && accepted;
    }
    if (accepted && signing) {
        std::set<std::string> manifests = stubs;
        if (launcher) {
            manifests.emplace(kLauncherManifestPath);
        }
        accepted = ReadVersions(options, manifests, *signing, err);
    }
    if (!accepted) {
        err << "qg-publish: nothing was published\n";
        return 1;
    }

    // Builds first, then the manifests that name them; the launcher's last, so that a launcher
    // that has just updated itself finds its games' manifests of the same publication.
    std::optional<FileProblem> problem;
    for (const auto* build : {&library, &launcher}) {
        if (*build && !problem) {
            problem = PlaceBuild(options.root, **build, out);
        }
    }
    for (const auto& stub : stubs) {
        if (!problem) {
            problem = PlaceManifest(options, stub, *library, signing, out);
        }
    }
    if (launcher && !problem) {
        problem = PlaceManifest(options, kLauncherManifestPath, *launcher, signing, out);
    }
    if (problem) {
        Problem(err, problem->path, problem->text);
        return 1;
    }
    return 0;
}

}  // namespace quillguard::publish
