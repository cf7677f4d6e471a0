#pragma once

#include <cstdint>

namespace quillguard {

// Result of the self-update and game flows: 0 is success, 1 to 8 come from the self-update,
// 9 to 20 from the game flow. A type of its own, so that a system error code cannot be passed
// where a launcher code belongs, or the other way round, without a visible cast.
enum class LauncherError : std::uint32_t {};

// System error code of the failed CreateProcessW or ShellExecuteExW, carried with codes 20 and 19.
using LaunchFailure = std::uint32_t;

inline constexpr LauncherError kSuccess{0};
inline constexpr LauncherError kLauncherManifestFetchFailed{1};
inline constexpr LauncherError kLauncherManifestMissingSha1{2};
inline constexpr LauncherError kLauncherManifestMissingUrl{3};
inline constexpr LauncherError kNoTemporaryPath{4};
inline constexpr LauncherError kNoTemporaryFile{5};
inline constexpr LauncherError kLauncherDownloadFailed{6};
inline constexpr LauncherError kLauncherChecksumMismatch{7};
inline constexpr LauncherError kUpdateProcessFailed{8};
inline constexpr LauncherError kInvalidLauncherName{9};
inline constexpr LauncherError kGameExecutableNotFound{10};
inline constexpr LauncherError kClientTargetNotFound{11};
inline constexpr LauncherError kStubManifestFetchFailed{12};
inline constexpr LauncherError kStubManifestMissingSha1{13};
inline constexpr LauncherError kStubManifestMissingUrl{14};
inline constexpr LauncherError kStubDownloadFailed{15};
inline constexpr LauncherError kStubChecksumMismatch{16};
inline constexpr LauncherError kGameLaunchFailed{17};
inline constexpr LauncherError kElevationRefused{18};
inline constexpr LauncherError kElevatedLaunchFailed{19};
inline constexpr LauncherError kCreateProcessFailed{20};

// What a flow hands back to the main flow: its code and, for codes 19 and 20, the system error.
struct FlowResult {
    LauncherError code = kSuccess;
    LaunchFailure launchFailure = 0;
};

}  // namespace quillguard
