#pragma once

#include "ui/eula_record.h"

namespace quillguard {

// The record in the current user's registry.
class Win32EulaRecord final : public EulaRecord {
  public:
    bool IsAccepted() override;
    void RecordAcceptance() override;
};

}  // namespace quillguard
