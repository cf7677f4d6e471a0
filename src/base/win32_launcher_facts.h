#pragma once

#include "base/launcher_facts.h"

namespace quillguard {

// The running launcher's facts, asked of Windows: its path, however long, and its command line.
LauncherFacts ReadLauncherFacts();

}  // namespace quillguard
