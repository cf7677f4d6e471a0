// Any bytes as a fetched manifest body: ReadManifest never throws or crashes, reports only the
// codes of its kind, and reads a manifest only from a body long enough to hold one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "integrity/sha1_digest.h"
#include "net/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    for (const auto kind : {quillguard::ManifestKind::Launcher, quillguard::ManifestKind::Stub}) {
        const quillguard::ManifestReading reading = quillguard::ReadManifest(body, kind);
        const quillguard::ManifestErrors errors = quillguard::ManifestErrorsFor(kind);
        if (reading.error != 0 && reading.error != errors.fetchFailed &&
            reading.error != errors.missingSha1) {
            std::abort();
        }
        if (reading.error == 0 && size < 51) {
            std::abort();  // the smallest manifest, {"sha1":"<40 digits>"}, has 51 bytes
        }
    }
    return 0;
}
