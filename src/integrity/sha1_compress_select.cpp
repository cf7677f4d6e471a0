#include "integrity/sha1_compress.h"

namespace quillguard {

Sha1CompressFunction SelectedSha1Compress() {
    // Asked once: the processor does not change while the program runs.
    static const Sha1CompressFunction selected = [] {
#ifdef QG_SHA1_X86_EXTENSIONS
        if (Sha1ShaExtensionsAvailable()) {
            return &Sha1CompressShaExtensions;
        }
#endif
        return &Sha1CompressPortable;
    }();
    return selected;
}

}  // namespace quillguard
