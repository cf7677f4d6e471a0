#include "game/target_resolution.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

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

    bool Find(const std::wstring& folder, std::wstring& result) {
        return FindClientTarget(folder, files, isClientTarget, result);
    }
};

const std::wstring kDir = L"D:\\Foo";
const std::wstring kLauncher = kDir + L"\\Foo_QG.exe";

struct ResolveCase {
    std::wstring launcher;
    std::vector<std::pair<std::wstring, std::wstring>> folders;  // path, names
    std::set<std::wstring> targets;
    LauncherError code;
    std::wstring gamePath = {};
    std::wstring targetPath = {};
};

TEST(ResolveGameTargetsTest, NamesTheGameAndFindsItsClientTarget) {
    const std::wstring exe = kDir + L"\\Foo.exe";
    const std::wstring bin = kDir + L"\\Foo.bin";
    const std::wstring sub = kDir + L"\\Bin\\Game.exe";
    const ResolveCase cases[] = {
        {kLauncher, {{kDir, L"Foo_QG.exe Foo.exe QGClient.dll"}}, {exe}, kSuccess, exe, exe},
        {L"", {}, {}, kInvalidLauncherName},
        {L"_QG.ex", {}, {}, kInvalidLauncherName},
        {kDir + L"\\Foo_qg.exe", {}, {}, kInvalidLauncherName},
        {kDir + L"\\Foo_QG.EXE", {}, {}, kInvalidLauncherName},
        {exe, {}, {}, kInvalidLauncherName},
        // The first suffix in the whole path counts, and what follows it is dropped.
        {L"D:\\X_QG.exe\\Foo_QG.exe",
         {{L"D:", L"X.exe X_QG.exe\\"}, {L"D:\\X_QG.exe", L""}},
         {L"D:\\X.exe"},
         kSuccess,
         L"D:\\X.exe",
         L"D:\\X.exe"},
        {kDir + L"\\Foo_QG.exe.old", {{kDir, L"Foo.exe"}}, {exe}, kSuccess, exe, exe},
        {kLauncher, {{kDir, L"Foo.bin"}}, {bin}, kSuccess, bin, bin},
        {kLauncher, {{kDir, L"Foo.exe\\ Foo.bin"}}, {bin}, kSuccess, bin, bin},
        // No game, even beside a client target.
        {kLauncher, {{kDir, L"Other.exe"}}, {kDir + L"\\Other.exe"}, kGameExecutableNotFound},
        {kLauncher,
         {{kDir, L"Foo.exe Bin\\"}, {kDir + L"\\Bin", L"Game.exe"}},
         {sub},
         kSuccess,
         exe,
         sub},
        // "Locked" is never described, so it cannot be listed.
        {kLauncher, {{kDir, L"Foo.exe Locked\\"}}, {}, kClientTargetNotFound, exe},
    };
    for (const ResolveCase& c : cases) {
        Tree tree;
        for (const auto& [path, names] : c.folders) {
            tree.files.folder(path, names);
        }
        tree.targets = c.targets;
        GameTargets targets;
        const std::string shown = ::testing::PrintToString(c.launcher);
        EXPECT_EQ(ResolveGameTargets(c.launcher, tree.files, tree.isClientTarget, targets), c.code)
            << shown;
        EXPECT_EQ(targets.gamePath, c.gamePath) << shown;
        EXPECT_EQ(targets.targetPath, c.targetPath) << shown;
        const std::wstring folder =
            c.gamePath.empty() ? L"" : c.launcher.substr(0, c.launcher.rfind(L'\\'));
        EXPECT_EQ(targets.launcherDir, folder) << shown;
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
    EXPECT_TRUE(tree.Find(kDir, result));
    // A subfolder listed before a qualifying file is searched first, and its hit wins; a
    // junction or link, which may lead anywhere, is never entered.
    EXPECT_EQ(result, kDir + L"\\A\\.dll");
    const std::wstring a = kDir + L"\\A\\";
    EXPECT_EQ(tree.calls,
              (CallLog{L"list " + kDir, L"list " + kDir + L"\\A", L"list " + a + L"Deep",
                       L"examine " + a + L"Deep\\deep.dll", L"examine " + a + L"SETUP.EXE",
                       L"examine " + a + L"x.Bin", L"examine " + a + L".dll"}));

    Tree none;
    none.files.folder(L"C:\\", L"a.exe").folder(L"", L"b.exe");
    none.targets = {L"C:\\a.exe", L"b.exe"};
    EXPECT_TRUE(none.Find(L"C:\\", result));
    EXPECT_EQ(result, L"C:\\a.exe");  // one backslash between folder and name
    EXPECT_TRUE(none.Find(L"", result));
    EXPECT_EQ(result, L"b.exe");
    none.targets.clear();
    result = L"untouched";
    EXPECT_FALSE(none.Find(L"C:\\", result));
    EXPECT_EQ(result, L"untouched");
}

}  // namespace
}  // namespace quillguard
