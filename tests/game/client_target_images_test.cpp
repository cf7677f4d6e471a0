// IsClientTarget on real images that the project builds with mingw-w64 for x64 and x86.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "game/client_target.h"

namespace quillguard {
namespace {

TEST(ClientTargetImagesTest, OnlyGamesImportingNothingButTheClientLibraryAreTargets) {
    const std::wstring fixtures = std::wstring(_wgetenv(L"QG_FIXTURES_DIR")) + L"\\";
    for (const wchar_t* name : {L"qg_fixture_game.exe", L"x86\\game.exe"}) {
        EXPECT_TRUE(IsClientTarget(fixtures + name));
    }
    for (const wchar_t* name :
         {L"qg_fixture_game_client_first.exe", L"qg_fixture_game_client_second.exe",
          L"QGClient.dll", L"x86\\QGClient.dll", L"..\\QuillGuardLauncher.exe"}) {
        EXPECT_FALSE(IsClientTarget(fixtures + name));
    }
}

}  // namespace
}  // namespace quillguard
