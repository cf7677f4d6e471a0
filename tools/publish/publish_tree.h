#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillguard::publish {

// What publish and verify are asked to work on.
struct TreeOptions {
    std::filesystem::path root;
    std::string baseUrl;
    std::string filesBaseUrl;  // where builds are served, a CDN's host say; empty: under baseUrl
    bool fetchFiles = false;   // verify: check each build as its URL serves it, not the tree's copy
    std::optional<std::filesystem::path> launcher;
    std::optional<std::filesystem::path> clientLibrary;
    std::vector<std::filesystem::path> games;
    std::optional<std::filesystem::path> signingKey;  // publish: sign every manifest written
    std::optional<unsigned> expiresInDays;            // publish, with signingKey
    std::vector<std::filesystem::path> publicKeys;  // verify: the keys signatures are checked with
};

// Where the builds' URLs begin: filesBaseUrl when given, else baseUrl.
inline const std::string& FilesBaseUrl(const TreeOptions& options) {
    return options.filesBaseUrl.empty() ? options.baseUrl : options.filesBaseUrl;
}

// Publishes a launcher build and a client library for its games into the tree under
// options.root, as the update server at options.baseUrl serves it:
//   files/<sha1>.exe and files/<sha1>.dll   each build, named by its digest;
//   stub/<stubId>/manifest.json             for each game, naming the client library;
//   launcher/manifest.json                  naming the launcher build.
// Every input is checked before anything is written: a file that cannot be read or is not a PE
// image, a game that is not a client target, or anything that would strand players (see
// release_checks.h: the launcher given and the one the tree serves, each for another server or
// other keys, or none of this project's; a library that is not a DLL or not for the games'
// machine), or a file at a build's name in the tree with other bytes than the build, is named on
// err with the reason, and the exit status is 1 with the tree untouched. With a signing key, each
// manifest written is signed for the base URL and its path and carries "sha256", "size",
// "version" (one more than the manifest it replaces) and, with expiresInDays, "expires"; one that
// already says the same, signed by that key and without an expiry, is kept.
// Builds are written before the manifests that name them, the launcher's manifest last, and each
// file is replaced in one step. What is already as it should be is left alone, so publishing the
// same input again changes nothing. Each file is named on out as written or kept. Returns 0, or 1
// after a problem named on err.
int PublishTree(const TreeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quillguard::publish
