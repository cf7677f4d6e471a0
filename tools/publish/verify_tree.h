#pragma once

#include <ostream>

#include "publish/publish_tree.h"

namespace quillguard::publish {

// Checks the tree under options.root as launchers built for options.baseUrl would find it:
// launcher/manifest.json is there, each folder under stub/ is named by a stub id and holds a
// manifest, every manifest is one the launcher accepts (read by the launcher's own code) with a
// "url" under baseUrl, and the file that url names is under root with the digest the manifest
// gives. The launcher build the tree serves must be a launcher of this project built for baseUrl,
// and each client library a DLL. When that launcher holds signing keys, every manifest must be
// signed for baseUrl and its own path by one of them, checked with options.publicKeys (those the
// launcher does not hold are named), must not have expired, and must give the SHA-256 and size of
// its file. Each problem is named on err with its path in the tree; each sound manifest on out,
// with the days it has left when it expires. Returns 0, or 1 when any problem was found.
int VerifyTree(const TreeOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quillguard::publish
