#include <windows.h>

#include "app/main_flow.h"
#include "app/update_server.h"
#include "app/update_signing_keys.h"
#include "base/win32_file_system.h"
#include "base/win32_instance_lock.h"
#include "base/win32_launcher_facts.h"
#include "base/win32_launcher_log.h"
#include "base/win32_processes.h"
#include "game/game_flow.h"
#include "net/http_client.h"
#include "ui/win32_eula_record.h"
#include "ui/win32_launcher_windows.h"
#include "ui/win32_user_interface.h"
#include "update/self_update.h"
#include "update/win32_accepted_versions.h"
#include "update/win32_update_crypto.h"

// The one place where the flows meet their Win32 implementations.
int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // The game folder is often writable by the player and the launcher may run elevated: every
    // DLL loaded from here on, by the launcher or by the system libraries it calls (themes for the
    // message boxes among them), comes from the system folder, never from beside the launcher.
    ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);

    // What the launcher knows of itself is read here, once, and handed to the flows.
    const quillguard::LauncherFacts self = quillguard::ReadLauncherFacts();
    quillguard::Win32InstanceLock lock(quillguard::kInstanceLockName);
    quillguard::Win32UserInterface ui;
    quillguard::Win32LauncherWindows windows;
    quillguard::Win32EulaRecord eula;
    quillguard::Win32FileSystem files;
    quillguard::Win32Processes processes;
    quillguard::Win32LauncherLog log(quillguard::Win32LauncherLog::DefaultFolder());
    quillguard::Win32Downloads downloads(log);
    quillguard::Win32UpdateCrypto crypto;
    quillguard::Win32AcceptedVersions acceptedVersions;
    const quillguard::UpdateTrust trust{
        {quillguard::kUpdateSigningKeys.begin(), quillguard::kUpdateSigningKeys.end()},
        &crypto,
        &acceptedVersions};
    // Built with keys, the flows follow only manifests they signed; built without, the flows
    // take manifests unsigned.
    const quillguard::UpdateTrust* required =
        quillguard::kUpdateSigningKeys.empty() ? nullptr : &trust;
    quillguard::MainFlowStages stages;
    stages.updateLauncher = [&](quillguard::InstanceLock& heldLock) {
        return quillguard::UpdateLauncher(self, quillguard::kUpdateServerBaseUrl, required,
                                          downloads, files, processes, heldLock, log);
    };
    stages.runGameFlow = [&](quillguard::InstanceLock& heldLock) {
        return quillguard::RunGameFlow(self, files, processes, downloads,
                                       quillguard::kUpdateServerBaseUrl, required, log, heldLock);
    };
    if (self.updateOnly) {
        return quillguard::RunUpdateOnly(lock, stages, log);
    }
    return quillguard::RunMainFlow(lock, ui, windows, eula, stages, log);
}
