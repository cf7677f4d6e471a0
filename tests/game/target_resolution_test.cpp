#include "game/target_resolution.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "support/fake_file_system.h"

namespace quillguard {
namespace {

// The fake tree, with the paths that are client targets; records "list" and "examine" calls.
struct Tree {
    testing::CallLog calls;
    testing::FakeFileSystem files{calls};
    std::set<std::wstring> targets;
    ClientTargetTest isClientTarget = [this](const std::wstring& path) {
        calls.push_back(L"examine " + path);
        return targets.count(path) != 0;
    };

    LauncherError Resolve(const std::wstring& launcher, GameTargets& result) {
        return ResolveGameTargets(launcher, files, isClientTarget, result);
    }
    bool Find(const std::wstring& folder, std::wstring& result) {
        return FindClientTarget(folder, files, isClientTarget, result);
    }
};

using testing::File;
using testing::Folder;

const std::wstring kDir = L"D:\\Games\\Foo";
const std::wstring kLauncher = kDir + L"\\Foo_QG.exe";

struct ResolveCase {
    const char* name;
    std::wstring launcher;
    std::vector<std::pair<std::wstring, std::vector<FolderEntry>>> folders;
    std::set<std::wstring> targets;
    LauncherError code;
    std::wstring gamePath = {};
    std::wstring launcherDir = {};
    std::wstring targetPath = {};
};

TEST(ResolveGameTargetsTest, NamesTheGameAndFindsItsClientTarget) {
    const std::wstring game = kDir + L"\\Foo.exe";
    const ResolveCase cases[] = {
        {"the game is its own target",
         kLauncher,
         {{kDir, {File(L"Foo_QG.exe"), File(L"Foo.exe"), File(L"QGClient.dll")}}},
         {game},
         kSuccess,
         game,
         kDir,
         game},
        {"empty name", L"", {}, {}, kInvalidLauncherName},
        {"suffix cut short", L"_QG.ex", {}, {}, kInvalidLauncherName},
        {"suffix in the wrong case", kDir + L"\\Foo_qg.exe", {}, {}, kInvalidLauncherName},
        {"extension in the wrong case", kDir + L"\\Foo_QG.EXE", {}, {}, kInvalidLauncherName},
        {"no suffix", game, {}, {}, kInvalidLauncherName},
        // The first suffix in the whole path counts, and what follows it is dropped.
        {"suffix in a folder name",
         L"D:\\X_QG.exe\\Foo_QG.exe",
         {{L"D:", {File(L"X.exe"), Folder(L"X_QG.exe")}}, {L"D:\\X_QG.exe", {}}},
         {L"D:\\X.exe"},
         kSuccess,
         L"D:\\X.exe",
         L"D:\\X_QG.exe",
         L"D:\\X.exe"},
        {"renamed launcher",
         kDir + L"\\Foo_QG.exe.old",
         {{kDir, {File(L"Foo.exe")}}},
         {game},
         kSuccess,
         game,
         kDir,
         game},
        {".bin when .exe is missing",
         kLauncher,
         {{kDir, {File(L"Foo.bin")}}},
         {kDir + L"\\Foo.bin"},
         kSuccess,
         kDir + L"\\Foo.bin",
         kDir,
         kDir + L"\\Foo.bin"},
        {".bin when .exe is a folder",
         kLauncher,
         {{kDir, {Folder(L"Foo.exe"), File(L"Foo.bin")}}},
         {kDir + L"\\Foo.bin"},
         kSuccess,
         kDir + L"\\Foo.bin",
         kDir,
         kDir + L"\\Foo.bin"},
        {"no game, even beside a target",
         kLauncher,
         {{kDir, {File(L"Other.exe")}}},
         {kDir + L"\\Other.exe"},
         kGameExecutableNotFound},
        {"a target in a subfolder",
         kLauncher,
         {{kDir, {File(L"Foo.exe"), Folder(L"Bin")}}, {kDir + L"\\Bin", {File(L"Game.exe")}}},
         {kDir + L"\\Bin\\Game.exe"},
         kSuccess,
         game,
         kDir,
         kDir + L"\\Bin\\Game.exe"},
        // "Locked" is never described, so it cannot be listed.
        {"no target anywhere",
         kLauncher,
         {{kDir, {File(L"Foo.exe"), Folder(L"Locked")}}},
         {},
         kClientTargetNotFound,
         game,
         kDir},
    };
    for (const ResolveCase& c : cases) {
        Tree tree;
        for (const auto& [path, entries] : c.folders) {
            tree.files.folder(path, entries);
        }
        tree.targets = c.targets;
        GameTargets targets;
        EXPECT_EQ(tree.Resolve(c.launcher, targets), c.code) << c.name;
        EXPECT_EQ(targets.gamePath, c.gamePath) << c.name;
        EXPECT_EQ(targets.launcherDir, c.launcherDir) << c.name;
        EXPECT_EQ(targets.targetPath, c.targetPath) << c.name;
    }
}

TEST(FindClientTargetTest, ExaminesOnlyFilesWithACandidateExtensionAfterLowerCasing) {
    Tree tree;
    tree.files.folder(
        kDir, {File(L"SETUP.EXE"), File(L"game.exe.bak"), File(L"game.ex"), File(L"data.pak"),
               File(L"noextension"), File(L"x.Bin"), File(L".dll"), File(L"client.dll")});
    tree.targets = {kDir + L"\\client.dll"};
    std::wstring result;
    EXPECT_TRUE(tree.Find(kDir, result));
    EXPECT_EQ(result, kDir + L"\\client.dll");
    EXPECT_EQ(tree.calls,
              (testing::CallLog{L"list " + kDir, L"examine " + kDir + L"\\SETUP.EXE",
                                L"examine " + kDir + L"\\x.Bin", L"examine " + kDir + L"\\.dll",
                                L"examine " + kDir + L"\\client.dll"}));
}

TEST(FindClientTargetTest, WalksDepthFirstInListingOrderWithoutEnteringLinks) {
    Tree tree;
    tree.files
        .folder(kDir, {{L"Link", kFileAttributeDirectory | kFileAttributeReparsePoint},
                       Folder(L"A"),
                       File(L"top.exe"),
                       Folder(L"B")})
        .folder(kDir + L"\\Link", {File(L"linked.exe")})
        .folder(kDir + L"\\A", {Folder(L"Deep"), File(L"a.exe")})
        .folder(kDir + L"\\A\\Deep", {File(L"deep.dll")})
        .folder(kDir + L"\\B", {File(L"b.exe")});
    tree.targets = {kDir + L"\\Link\\linked.exe", kDir + L"\\A\\a.exe", kDir + L"\\top.exe"};
    std::wstring result;
    EXPECT_TRUE(tree.Find(kDir, result));
    // A subfolder listed before a qualifying file is searched first, and its hit wins; a
    // junction or link, which may lead anywhere, is never entered.
    EXPECT_EQ(result, kDir + L"\\A\\a.exe");
    EXPECT_EQ(tree.calls, (testing::CallLog{L"list " + kDir, L"list " + kDir + L"\\A",
                                            L"list " + kDir + L"\\A\\Deep",
                                            L"examine " + kDir + L"\\A\\Deep\\deep.dll",
                                            L"examine " + kDir + L"\\A\\a.exe"}));

    Tree none;
    none.files.folder(kDir, {});
    result = L"untouched";
    EXPECT_FALSE(none.Find(kDir, result));
    EXPECT_EQ(result, L"untouched");
}

TEST(FindClientTargetTest, JoinsNamesWithOneBackslash) {
    Tree tree;
    tree.files.folder(L"C:\\", {File(L"a.exe")}).folder(L"", {File(L"b.exe")});
    tree.targets = {L"C:\\a.exe", L"b.exe"};
    std::wstring result;
    EXPECT_TRUE(tree.Find(L"C:\\", result));
    EXPECT_EQ(result, L"C:\\a.exe");
    EXPECT_TRUE(tree.Find(L"", result));
    EXPECT_EQ(result, L"b.exe");
}

}  // namespace
}  // namespace quillguard
