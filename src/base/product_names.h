#pragma once

#include <string_view>

// The names the launcher and the publisher share with the game folder, the update server, the
// registry and the player, each written once.
namespace quillguard {

// The anti-cheat client library beside the game; an import of it matches in any letter case.
inline constexpr std::string_view kClientLibraryName = "QGClient.dll";

// Where the update server serves the launcher's manifest, below its base URL; a stub's manifest
// is kStubFolder/<stub id>/kManifestFileName.
inline constexpr std::string_view kLauncherManifestPath = "launcher/manifest.json";
inline constexpr std::string_view kStubFolder = "stub";
inline constexpr std::string_view kManifestFileName = "manifest.json";

// The launcher's key under HKEY_CURRENT_USER: the agreement's record and the accepted versions.
inline constexpr wchar_t kRegistryKey[] = L"SOFTWARE\\QuillGuard";

// The caption of the launcher's own windows and of its messages that are not about an update.
inline constexpr wchar_t kLauncherCaption[] = L"QuillGuard Launcher";

}  // namespace quillguard
