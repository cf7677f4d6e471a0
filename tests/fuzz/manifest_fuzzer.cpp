// Any bytes as a fetched manifest body, plain or signed: neither reader throws or crashes;
// ReadManifest reads a manifest only from a body long enough to hold one, and the statement of
// what ReadSignedManifest reads is either refused or one line per member after the first.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/manifest.h"
#include "update/manifest_statement.h"
#include "update/signed_manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    // The smallest manifest, {"sha1":"<40 digits>"}, has 51 bytes.
    if (quillguard::ReadManifest(body).finding == quillguard::ManifestFinding::Read && size < 51) {
        std::abort();
    }
    const auto manifest = quillguard::ReadSignedManifest(body);
    if (!manifest) {
        return 0;
    }
    const auto statement = quillguard::ManifestStatement(manifest->members);
    const auto lines = statement ? std::count(statement->begin(), statement->end(), '\n') : 0;
    if (statement && lines != (manifest->members.expires ? 9 : 8)) {
        std::abort();
    }
    return 0;
}
