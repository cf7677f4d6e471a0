#include "publish/verify_tree.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/readable_file.h"
#include "integrity/file_hashing.h"
#include "net/manifest.h"
#include "publish/build_inputs.h"
#include "publish/fetch_file.h"
#include "publish/key_files.h"
#include "publish/publisher_crypto.h"
#include "publish/release_checks.h"
#include "publish/tree_files.h"
#include "publish/update_tree.h"
#include "update/manifest_statement.h"
#include "update/signed_manifest.h"
#include "update/update_rules.h"

namespace quillguard::publish {
namespace {

// A public key given to check signatures with.
struct PublicKey {
    std::array<std::uint8_t, 64> point;
    std::string fingerprint;
    std::filesystem::path file;
};

bool IsStubId(std::string_view name) {
    Sha1Digest id;
    return ReadHex(name, id.bytes) && HexOf(id.bytes) == name;
}

// Why the launcher would not take this body for a manifest with a download URL.
std::optional<std::string> ManifestProblem(const ManifestReading& reading) {
    switch (reading.finding) {
        case ManifestFinding::NotOneJsonValue:
            return "not one JSON value: launchers report a failed fetch";
        case ManifestFinding::NotAnObject:
            return "not a JSON object: launchers report a missing SHA-1";
        case ManifestFinding::NoUsableSha1:
            return "no \"sha1\" string of 40 hex digits: launchers report a missing SHA-1";
        case ManifestFinding::Read:
            break;
    }
    if (!reading.manifest.url) {
        return "no \"url\" string: launchers that need the build report a missing URL";
    }
    return std::nullopt;
}

// The problem with the build a manifest names, if any; the build's path in the tree otherwise.
// The build is read under root; with fetch, it is first fetched from its URL to there.
std::optional<std::string> BuildProblem(const std::filesystem::path& root, std::string_view baseUrl,
                                        bool fetch, const Manifest& manifest,
                                        std::string& buildPath) {
    const std::string url = NarrowUrl(*manifest.url);
    const auto treePath = TreePathOf(baseUrl, url);
    if (!treePath) {
        return "\"url\" " + url + " names no file under " + std::string(baseUrl);
    }
    if (fetch) {
        std::error_code ignored;
        std::filesystem::create_directories(OnDisk(root, *treePath).parent_path(), ignored);
        if (auto problem = FetchFile(url, OnDisk(root, *treePath))) {
            return "names " + url + ", which " + *problem;
        }
    }
    ReadableFile file(OnDisk(root, *treePath));
    if (!file.IsOpen()) {
        return "names " + *treePath + ", which cannot be opened: " + file.LastErrorText();
    }
    const auto digest = HashOpenFile(file);
    if (!digest) {
        return "names " + *treePath + ", which cannot be read: " + file.LastErrorText();
    }
    if (*digest != manifest.sha1) {
        return "names " + *treePath + ", whose SHA-1 is " + HexOf(digest->bytes) + ", not " +
               HexOf(manifest.sha1.bytes);
    }
    buildPath = *treePath;
    return std::nullopt;
}

// The problem with a signed manifest's own members, if any, for a launcher of the server at
// baseUrl that takes it only when one of keys verifies it. Adds how long it has before it
// expires to note.
std::optional<std::string> SignedProblem(const std::filesystem::path& root,
                                         std::string_view baseUrl, std::string_view treePath,
                                         std::string_view body, std::string_view buildPath,
                                         const std::vector<PublicKey>& keys, std::string& note) {
    const auto manifest = ReadSignedManifest(body);
    if (!manifest) {
        return std::string(
            "not signed (\"server\", \"path\", \"sha256\", \"size\", \"version\", "
            "\"signature\"): the launcher the tree serves holds keys, so launchers report a "
            "failed fetch");
    }
    const SignedMembers& members = manifest->members;
    const auto statement = ManifestStatement(members);
    if (!statement) {
        return std::string("its members cannot be signed unambiguously: launchers refuse it");
    }
    if (keys.empty()) {
        return std::string(
            "its signature cannot be checked: give the launcher's public keys "
            "with --public-key");
    }
    if (std::none_of(keys.begin(), keys.end(), [&](const PublicKey& key) {
            return VerifyMessage(key.point, *statement, manifest->signature);
        })) {
        return std::string(
            "its signature is not one of the launcher's keys' for these members: launchers "
            "report a failed fetch");
    }
    if (members.server != baseUrl || members.path != "/" + std::string(treePath)) {
        return "signed for " + members.server + members.path + ": launchers report a failed fetch";
    }
    if (members.expires) {
        const auto expires = ParseUtcTime(*members.expires);
        const auto now = std::chrono::system_clock::now();
        if (!expires || *expires <= now) {
            return "expired at " + *members.expires + ": launchers refuse it";
        }
        note = " (expires " + *members.expires + ", in " +
               std::to_string(std::chrono::round<std::chrono::days>(*expires - now).count()) +
               " days)";
    }
    const auto file = Sha256AndSize(OnDisk(root, buildPath));
    if (!file || HexOf(file->sha256) != members.sha256 || file->size != members.size) {
        return "names " + std::string(buildPath) + ", whose SHA-256 or size is not what it gives";
    }
    return std::nullopt;
}

class TreeVerifier {
  public:
    // Builds are read under fileRoot: the tree's root, or where fetched builds are put.
    TreeVerifier(const TreeOptions& options, const std::filesystem::path& fileRoot,
                 std::ostream& out, std::ostream& err)
        : root_(options.root),
          fileRoot_(fileRoot),
          baseUrl_(options.baseUrl),
          filesBaseUrl_(FilesBaseUrl(options)),
          fetch_(options.fetchFiles),
          out_(out),
          err_(err) {
        for (const auto& path : options.publicKeys) {
            if (const auto point = LoadPublicKey(path)) {
                keys_.push_back({*point, Fingerprint(*point), path});
            } else {
                Problem(Printable(path), "not a P-256 public key in PEM (\"PUBLIC KEY\")");
            }
        }
    }

    // Checks the launcher's manifest and the build it names; takes that build's keys as the ones
    // every manifest must be signed with.
    void CheckLauncher() {
        const std::string treePath(kLauncherManifestPath);
        const auto checked = CheckManifest(treePath, false);
        if (!checked) {
            return;
        }
        const std::string& build = checked->build;
        const ReadIdentity read = ReadLauncherIdentity(OnDisk(fileRoot_, build));
        auto problem =
            read.identity ? ServerProblem(*read.identity, baseUrl_) : std::optional(read.problem);
        if (problem) {
            return Problem(treePath, "names " + build + ", which is " + *problem);
        }
        trusted_ = read.identity->keyFingerprints;
        std::erase_if(keys_, [&](const PublicKey& key) {
            const bool held =
                std::find(trusted_.begin(), trusted_.end(), key.fingerprint) != trusted_.end();
            if (!held) {
                Problem(Printable(key.file),
                        "not one of the keys the launcher the tree serves holds");
            }
            return !held;
        });
        std::string note;
        problem = trusted_.empty() ? std::nullopt
                                   : SignedProblem(fileRoot_, baseUrl_, treePath, checked->body,
                                                   build, keys_, note);
        if (problem) {
            return Problem(treePath, *problem);
        }
        out_ << "ok    " << treePath << note << '\n';
    }

    // A manifest found sound, and the path in the tree of the build it names.
    struct Checked {
        std::string body;
        std::string build;
    };

    // Checks a manifest and the build it names; a library's must be a DLL, signed when the
    // launcher holds keys. Names the problem, or a sound library's manifest, on err or out.
    std::optional<Checked> CheckManifest(const std::string& treePath, bool library) {
        const auto body = ReadUpTo(OnDisk(root_, treePath), kFetchLimit);
        if (!body) {
            Problem(treePath, "missing or cannot be read");
            return std::nullopt;
        }
        if (body->size() > kFetchLimit) {
            Problem(treePath, "larger than 64 KiB: launchers report a failed fetch");
            return std::nullopt;
        }
        const ManifestReading reading = ReadManifest(*body);
        auto problem = ManifestProblem(reading);
        std::string build;
        if (!problem) {
            problem = BuildProblem(fileRoot_, filesBaseUrl_, fetch_, reading.manifest, build);
        }
        if (!problem && library) {
            if (const auto notLibrary = LibraryProblem(OnDisk(fileRoot_, build), {})) {
                problem = "names " + build + ", which is " + *notLibrary;
            }
        }
        std::string note;
        if (!problem && library && !trusted_.empty()) {
            problem = SignedProblem(fileRoot_, baseUrl_, treePath, *body, build, keys_, note);
        }
        if (problem) {
            Problem(treePath, *problem);
            return std::nullopt;
        }
        if (library) {
            out_ << "ok    " << treePath << note << '\n';
        }
        return Checked{*body, build};
    }

    // Every folder under stub/ in name order; a launcher asks only for lower-case stub ids.
    void CheckStubs() {
        const std::filesystem::path folder = OnDisk(root_, kStubFolder);
        std::error_code error;
        std::vector<std::string> names;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_directory(error)) {
                names.push_back(Printable(it->path().filename()));
            }
        }
        if (error && error != std::errc::no_such_file_or_directory) {
            return Problem(std::string(kStubFolder), "cannot be listed: " + error.message());
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string stub = std::string(kStubFolder) + "/" + name;
            if (IsStubId(name)) {
                CheckManifest(stub + "/" + std::string(kManifestFileName), true);
            } else {
                Problem(stub, "not a stub id (40 lower-case hex digits): no launcher asks for it");
            }
        }
    }

    bool FoundProblems() const { return problems_ > 0; }

  private:
    void Problem(std::string_view treePath, std::string_view text) {
        err_ << "qg-publish: " << treePath << ": " << text << '\n';
        ++problems_;
    }

    const std::filesystem::path& root_;
    const std::filesystem::path& fileRoot_;
    std::string_view baseUrl_;
    std::string_view filesBaseUrl_;
    bool fetch_;
    std::ostream& out_;
    std::ostream& err_;
    std::vector<PublicKey> keys_;       // given, and held by the launcher the tree serves
    std::vector<std::string> trusted_;  // the fingerprints that launcher holds
    int problems_ = 0;
};

}  // namespace

int VerifyTree(const TreeOptions& options, std::ostream& out, std::ostream& err) {
    std::filesystem::path fileRoot = options.root;
    std::error_code error;
    if (options.fetchFiles) {
        // A folder of this run's own, so that a fetched build never lands in the tree.
        fileRoot = std::filesystem::temp_directory_path(error) /
                   ("qg-publish-fetched-" +
                    std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        if (error || !std::filesystem::create_directory(fileRoot, error)) {
            err << "qg-publish: no folder for fetched builds: " << error.message() << '\n';
            return 1;
        }
    }
    TreeVerifier verifier(options, fileRoot, out, err);
    verifier.CheckLauncher();
    verifier.CheckStubs();
    if (options.fetchFiles) {
        std::filesystem::remove_all(fileRoot, error);
        out << "builds fetched from their URLs under " << FilesBaseUrl(options) << '\n';
    } else {
        out << "builds read from the tree under " << Printable(options.root)
            << ", not fetched (--fetch-files fetches them)\n";
    }
    return verifier.FoundProblems() ? 1 : 0;
}

}  // namespace quillguard::publish
