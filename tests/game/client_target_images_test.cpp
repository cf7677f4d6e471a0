// IsClientTarget on real images that the project builds with mingw-w64 for x64 and x86.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "game/client_target.h"

namespace quillguard {
namespace {

std::wstring Fixture(const std::wstring& name) {
    const wchar_t* folder = _wgetenv(L"QG_FIXTURES_DIR");
    return folder == nullptr ? name : std::wstring(folder) + L"\\" + name;
}

TEST(ClientTargetImagesTest, GamesImportingOnlyTheClientLibraryAreTargets) {
    EXPECT_TRUE(IsClientTarget(Fixture(L"qg_fixture_game.exe")));
    EXPECT_TRUE(IsClientTarget(Fixture(L"x86\\game.exe")));
}

TEST(ClientTargetImagesTest, ImagesWithOtherImportsAreNot) {
    EXPECT_FALSE(IsClientTarget(Fixture(L"qg_fixture_game_client_first.exe")));
    EXPECT_FALSE(IsClientTarget(Fixture(L"qg_fixture_game_client_second.exe")));
    EXPECT_FALSE(IsClientTarget(Fixture(L"QGClient.dll")));
    EXPECT_FALSE(IsClientTarget(Fixture(L"x86\\QGClient.dll")));
    EXPECT_FALSE(IsClientTarget(Fixture(L"..\\QuillGuardLauncher.exe")));
}

}  // namespace
}  // namespace quillguard
