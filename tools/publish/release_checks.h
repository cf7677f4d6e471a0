#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillguard::publish {

// What a launcher build says in its version resource about the server and keys it trusts.
struct LauncherIdentity {
    std::string updateServer;
    std::vector<std::string> keyFingerprints;  // empty: it takes unsigned manifests
};

struct ReadIdentity {
    std::optional<LauncherIdentity> identity;
    std::string problem;  // set when there is no identity
};

// Reads a launcher build's identity. A build without UpdateServer is not a launcher of this
// project (the game given by mistake, say). A build without UpdateSigningKeys predates signing
// and takes unsigned manifests, as does "none"; anything else must be fingerprints, ';' between.
ReadIdentity ReadLauncherIdentity(const std::filesystem::path& path);

// The launcher build the tree under root serves: the file its launcher manifest names under
// baseUrl; nothing when there is no such manifest or it names no file under the root.
std::optional<std::filesystem::path> PublishedLauncher(const std::filesystem::path& root,
                                                       std::string_view baseUrl);

// Why this launcher would leave players unable to update from the server at baseUrl: it asks
// another server. Nothing when it asks that one.
std::optional<std::string> ServerProblem(const LauncherIdentity& launcher,
                                         std::string_view baseUrl);

// Why this launcher would refuse manifests signed by the key with this fingerprint (nothing:
// unsigned manifests); nothing when it would take them.
std::optional<std::string> KeysProblem(const LauncherIdentity& launcher,
                                       const std::optional<std::string>& signingFingerprint);

// Why a client library would not load in the games whose client targets are given: it is not a
// DLL, or it is built for another machine than one of them (the first such is named). Nothing
// when it would load; the library's own problem when it cannot be read as an image. With no
// games, only whether it is a DLL.
std::optional<std::string> LibraryProblem(const std::filesystem::path& library,
                                          std::span<const std::filesystem::path> games);

}  // namespace quillguard::publish
