#pragma once

#include <filesystem>
#include <ostream>
#include <string_view>

namespace quillguard::publish {

// Checks the tree under root as launchers built for baseUrl would find it: launcher/manifest.json
// is there, each folder under stub/ is named by a stub id and holds a manifest, every manifest is
// one the launcher accepts (read by the launcher's own code) with a "url" under baseUrl, and the
// file that url names is under root with the digest the manifest gives. Each problem is named on
// err with its path in the tree; each sound manifest on out. Returns 0, or 1 when any problem
// was found.
int VerifyTree(const std::filesystem::path& root, std::string_view baseUrl, std::ostream& out,
               std::ostream& err);

}  // namespace quillguard::publish
