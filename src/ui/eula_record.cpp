#include "ui/eula_record.h"

#include "base/little_endian.h"

namespace quillguard {

bool RecordsAcceptance(bool querySucceeded, std::span<const std::uint8_t, 4> data) {
    return querySucceeded && LoadLittleEndian32(data, 0) == 1;
}

}  // namespace quillguard
