// Any bytes as a fetched manifest body: ReadManifest never throws or crashes, and reads a
// manifest only from a body long enough to hold one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "net/manifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    const quillguard::ManifestReading reading = quillguard::ReadManifest(body);
    if (reading.finding == quillguard::ManifestFinding::Read && size < 51) {
        std::abort();  // the smallest manifest, {"sha1":"<40 digits>"}, has 51 bytes
    }
    return 0;
}
