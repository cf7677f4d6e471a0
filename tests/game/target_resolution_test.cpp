#include "game/target_resolution.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>

#include "support/fake_file_system.h"

namespace quillguard {
namespace {

using testing::CallLog;

// A fake tree and the paths in it that are client targets; records "list" and "examine" calls.
struct Tree {
    CallLog calls;
    testing::FakeFileSystem files{calls};
    std::set<std::wstring> targets;
    ClientTargetTest isClientTarget = [this](const std::wstring& path) {
        calls.push_back(L"examine " + path);
        return targets.count(path) != 0;
    };
};

const std::wstring kDir = L"D:\\Foo";

TEST(ResolveGameTargetsTest, NamesTheGameAndFindsItsClientTarget) {
    Tree tree;
    tree.files.folder(L"D:", L"X.exe X_QG.exe\\")
        .folder(kDir, L"Foo_QG.exe Foo.exe QGClient.dll")
        .folder(L"D:\\Bin", L"Foo.exe\\ Foo.bin")
        .folder(L"D:\\Other", L"Other.exe")
        .folder(L"D:\\Sub", L"Foo.exe Bin\\")
        .folder(L"D:\\Sub\\Bin", L"Game.exe")
        .folder(L"D:\\Locked", L"Foo.exe Locked\\");
    tree.targets = {L"D:\\X.exe", kDir + L"\\Foo.exe", L"D:\\Bin\\Foo.bin", L"D:\\Other\\Other.exe",
                    L"D:\\Sub\\Bin\\Game.exe"};
    const struct ResolveCase {
        std::wstring launcher;
        LauncherError code;
        std::wstring gamePath = {}, targetPath = {}, launcherDir = {};
    } cases[] = {
        {kDir + L"\\Foo_QG.exe", kSuccess, kDir + L"\\Foo.exe", kDir + L"\\Foo.exe", kDir},
        {L"", kInvalidLauncherName},
        {kDir + L"\\Foo_qg.exe", kInvalidLauncherName},
        {kDir + L"\\Foo_QG.EXE", kInvalidLauncherName},
        {kDir + L"\\Foo.exe", kInvalidLauncherName},
        // The first suffix in the whole path counts, and what follows it is dropped.
        {L"D:\\X_QG.exe\\Foo_QG.exe", kSuccess, L"D:\\X.exe", L"D:\\X.exe", L"D:\\X_QG.exe"},
        {L"D:\\Bin\\Foo_QG.exe", kSuccess, L"D:\\Bin\\Foo.bin", L"D:\\Bin\\Foo.bin", L"D:\\Bin"},
        // No game, even beside a client target.
        {L"D:\\Other\\Foo_QG.exe", kGameExecutableNotFound},
        {L"D:\\Sub\\Foo_QG.exe", kSuccess, L"D:\\Sub\\Foo.exe", L"D:\\Sub\\Bin\\Game.exe",
         L"D:\\Sub"},
        // "Locked" is never described, so it cannot be listed.
        {L"D:\\Locked\\Foo_QG.exe", kClientTargetNotFound, L"D:\\Locked\\Foo.exe", L"",
         L"D:\\Locked"},
    };
    for (const ResolveCase& c : cases) {
        GameTargets t;
        const LauncherError code =
            ResolveGameTargets(c.launcher, tree.files, tree.isClientTarget, t);
        EXPECT_EQ(std::tie(code, t.gamePath, t.targetPath, t.launcherDir),
                  std::tie(c.code, c.gamePath, c.targetPath, c.launcherDir));
    }
}

TEST(FindClientTargetTest, ExaminesOnlyCandidateExtensionsDepthFirstWithoutEnteringLinks) {
    Tree tree;
    tree.files
        .folder(kDir, {{L"Link", kFileAttributeDirectory | kFileAttributeReparsePoint},
                       {L"A", kFileAttributeDirectory},
                       {L"top.exe", 0x20}})
        .folder(kDir + L"\\Link", L"linked.exe")
        .folder(kDir + L"\\A", L"Deep\\ SETUP.EXE game.exe.bak game.ex noextension x.Bin .dll")
        .folder(kDir + L"\\A\\Deep", L"deep.dll");
    tree.targets = {kDir + L"\\Link\\linked.exe", kDir + L"\\A\\.dll", kDir + L"\\top.exe"};
    std::wstring result;
    EXPECT_TRUE(FindClientTarget(kDir, tree.files, tree.isClientTarget, result));
    // A subfolder listed before a qualifying file is searched first, and its hit wins; a
    // junction or link, which may lead anywhere, is never entered.
    EXPECT_EQ(result, kDir + L"\\A\\.dll");
    const std::wstring a = kDir + L"\\A\\";
    EXPECT_EQ(tree.calls,
              (CallLog{L"list " + kDir, L"list " + kDir + L"\\A", L"list " + a + L"Deep",
                       L"examine " + a + L"Deep\\deep.dll", L"examine " + a + L"SETUP.EXE",
                       L"examine " + a + L"x.Bin", L"examine " + a + L".dll"}));
}

}  // namespace
}  // namespace quillguard
