#include "app/main_flow.h"

#include "app/launcher_error_message.h"

namespace quillguard {
namespace {

// Asks for the agreement unless the user accepted it before; true when the run may go on. The
// splash is hidden while the EULA window is open, so that it does not cover it.
bool SettleAgreement(LauncherWindows& windows, EulaRecord& eula) {
    if (eula.IsAccepted()) {
        return true;
    }
    windows.HideSplash();
    if (!windows.RunEulaDialog()) {
        return false;
    }
    eula.RecordAcceptance();
    windows.ShowSplash();
    return true;
}

// Reports a failed stage in its one message box and ends the run with 1. The splash goes first:
// it stays on top and would cover the box.
int ReportFailure(InstanceLock& lock, UserInterface& ui, LauncherWindows& windows,
                  const std::wstring& text, const std::wstring& caption) {
    windows.CloseSplash();
    ui.ShowMessage(text, caption, MessageIcon::Error);
    lock.Release();
    return 1;
}

// Runs one stage and logs its code.
FlowResult RunStage(const std::function<FlowResult(InstanceLock&)>& stage, LogStage name,
                    InstanceLock& lock, LauncherLog& log) {
    const FlowResult result = stage(lock);
    log.Record(FlowStep(name, static_cast<std::uint32_t>(result.code), result.launchFailure));
    return result;
}

// Runs the flow up to its exit code.
int Run(InstanceLock& lock, UserInterface& ui, LauncherWindows& windows, EulaRecord& eula,
        const MainFlowStages& stages, LauncherLog& log) {
    if (!lock.Acquire()) {
        // No lock is held on this path, so there is nothing to release.
        ui.ShowMessage(kAnotherInstanceText, kLauncherCaption, MessageIcon::Information);
        return 1;
    }
    windows.StartSplashThread();
    if (!SettleAgreement(windows, eula)) {
        // A refusal is the user's own answer: no message.
        lock.Release();
        return 1;
    }
    // The game flow runs only with a launcher the server calls current.
    const FlowResult update = RunStage(stages.updateLauncher, LogStage::SelfUpdate, lock, log);
    if (update.code != kSuccess) {
        return ReportFailure(lock, ui, windows,
                             LauncherErrorMessage(update.code, update.launchFailure),
                             kLauncherUpdateErrorCaption);
    }
    const FlowResult game = RunStage(stages.runGameFlow, LogStage::Game, lock, log);
    if (game.code != kSuccess) {
        return ReportFailure(lock, ui, windows, LauncherErrorMessage(game.code, game.launchFailure),
                             kGameErrorCaption);
    }
    lock.Release();
    return 0;
}

}  // namespace

int RunMainFlow(InstanceLock& lock, UserInterface& ui, LauncherWindows& windows, EulaRecord& eula,
                const MainFlowStages& stages, LauncherLog& log) {
    log.Record(FlowStep(LogStage::Start));
    const int exitCode = Run(lock, ui, windows, eula, stages, log);
    log.Record(FlowStep(LogStage::Exit, static_cast<std::uint32_t>(exitCode)));
    return exitCode;
}

int RunUpdateOnly(InstanceLock& lock, const MainFlowStages& stages, LauncherLog& log) {
    log.Record(FlowStep(LogStage::Start));
    FlowResult result = RunStage(stages.updateLauncher, LogStage::SelfUpdate, lock, log);
    if (result.code == kSuccess) {
        result = RunStage(stages.runGameFlow, LogStage::Game, lock, log);
    }
    const auto exitCode = static_cast<std::uint32_t>(result.code);
    log.Record(FlowStep(LogStage::Exit, exitCode));
    return static_cast<int>(exitCode);
}

}  // namespace quillguard
