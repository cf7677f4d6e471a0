#pragma once

#include <cstdint>

#include "base/launcher_error.h"
#include "base/launcher_facts.h"
#include "base/processes.h"

namespace quillguard {

// How long a launcher waits for the copy that updates for it: a download that brings too few
// bytes fails within minutes, so a copy still running after this is stuck.
inline constexpr std::uint32_t kElevatedUpdateWaitMs = 15 * 60 * 1000;

// Called when the folder of an update cannot be written (writeError from creating the download
// there). A launcher that lacks the rights and is not elevated asks once, through the consent
// prompt, for a copy of itself started with kUpdateOnlySwitch alone, which fetches, verifies and
// replaces everything itself, and waits for it. Returns 0 once the copy succeeded, its own code
// when it failed (ownCode when it reports none or runs on), 18 when the user declines, 19 with
// the error when the prompt fails. Any other error, an elevated launcher and a copy itself get
// ownCode without a prompt: elevation would not help, or was had already.
FlowResult UpdateThroughElevatedCopy(const LauncherFacts& self, std::uint32_t writeError,
                                     LauncherError ownCode, Processes& processes);

}  // namespace quillguard
