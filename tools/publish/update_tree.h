#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "base/hex.h"
#include "base/product_names.h"
#include "integrity/sha1_digest.h"

namespace quillguard::publish {

// Where things live in the tree the update server serves, relative to its root, with '/' between
// folders. The launcher asks for the two manifests under the paths it names itself
// (kLauncherManifestPath, StubManifestPath); builds go here.
inline constexpr std::string_view kBuildFolder = "files";

// "files/<sha1>.<extension>": a build is named by its digest, so the bytes behind a URL never
// change and caches may keep them for ever.
std::string BuildPath(const Sha1Digest& digest, std::string_view extension);

// True for an update server's base URL as a launcher is built with it: https, a host, an
// optional port from 1 to 65535 without leading zeros, and nothing after it.
bool IsBaseUrl(std::string_view url);

// The absolute URL of a path in the tree.
std::string UrlOf(std::string_view baseUrl, std::string_view treePath);

// The path in the tree that a URL names: nothing unless it lies under the base URL and is made
// only of plain names ('/' between them, no "." or "..", no escapes, queries or fragments), so
// that it cannot point outside the root.
std::optional<std::string> TreePathOf(std::string_view baseUrl, std::string_view url);

// A URL as a launcher read it from a manifest, byte by byte, back as those bytes.
std::string NarrowUrl(std::wstring_view url);

// The manifest naming a build's digest and URL, as publish writes it.
std::string ManifestText(const Sha1Digest& digest, std::string_view url);

// A path in the tree as a path on disk under root.
std::filesystem::path OnDisk(const std::filesystem::path& root, std::string_view treePath);

}  // namespace quillguard::publish
