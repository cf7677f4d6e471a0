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
    std::optional<std::filesystem::path> launcher;
    std::optional<std::filesystem::path> clientLibrary;
    std::vector<std::filesystem::path> games;
};

// Publishes a launcher build and a client library for its games into the tree under
// options.root, as the update server at options.baseUrl serves it:
//   files/<sha1>.exe and files/<sha1>.dll   each build, named by its digest;
//   stub/<stubId>/manifest.json             for each game, naming the client library;
//   launcher/manifest.json                  naming the launcher build.
// Every input is checked before anything is written: a file that cannot be read or is not a PE
// image, or a game that is not a client target, is named on err with the reason, and the exit
// status is 1 with the tree untouched. Builds are written before the manifests that name them,
// the launcher's manifest last, and each file is replaced in one step. What is already as it
// should be is left alone, so publishing the same input again changes nothing. Each file is
// named on out as written or kept. Returns 0, or 1 after a problem named on err.
int PublishTree(const TreeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quillguard::publish
