#include "game/target_resolution.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace quillguard {
namespace {

// A folder tree held in memory: folders list their entries in the order given.
class FakeFiles final : public GameFileSystem {
  public:
    FakeFiles& folder(const std::wstring& path, std::vector<FolderEntry> entries) {
        folders_[path] = std::move(entries);
        return *this;
    }
    FakeFiles& target(const std::wstring& path) {
        targets_.insert(path);
        return *this;
    }

    std::uint32_t ReadFileAttributes(const std::wstring& path) override {
        if (folders_.count(path) != 0) {
            return kFileAttributeDirectory;
        }
        const auto slash = path.find_last_of(L'\\');
        const auto parent = folders_.find(path.substr(0, slash));
        if (slash != std::wstring::npos && parent != folders_.end()) {
            for (const FolderEntry& entry : parent->second) {
                if (entry.name == path.substr(slash + 1)) {
                    return entry.attributes;
                }
            }
        }
        return kInvalidFileAttributes;
    }
    bool ListFolder(const std::wstring& path, std::vector<FolderEntry>& entries) override {
        listed.push_back(path);
        const auto found = folders_.find(path);
        if (found == folders_.end()) {
            return false;
        }
        entries = {{L".", kFileAttributeDirectory}, {L"..", kFileAttributeDirectory}};
        entries.insert(entries.end(), found->second.begin(), found->second.end());
        return true;
    }
    bool IsClientTarget(const std::wstring& path) override {
        examined.push_back(path);
        return targets_.count(path) != 0;
    }

    std::vector<std::wstring> listed;
    std::vector<std::wstring> examined;

  private:
    std::map<std::wstring, std::vector<FolderEntry>> folders_;
    std::set<std::wstring> targets_;
};

const FolderEntry File(const wchar_t* name) {
    return {name, 0x20};
}
const FolderEntry Folder(const wchar_t* name) {
    return {name, kFileAttributeDirectory};
}

const std::wstring kDir = L"D:\\Games\\Foo";
const std::wstring kLauncher = kDir + L"\\Foo_QG.exe";

TEST(ResolveGameTargetsTest, TheGameIsNamedAfterTheLauncherAndIsItsOwnTarget) {
    FakeFiles files;
    files.folder(kDir, {File(L"Foo_QG.exe"), File(L"Foo.exe"), File(L"QGClient.dll")})
        .target(kDir + L"\\Foo.exe");
    GameTargets targets;
    EXPECT_EQ(ResolveGameTargets(kLauncher, files, targets), kSuccess);
    EXPECT_EQ(targets.gamePath, kDir + L"\\Foo.exe");
    EXPECT_EQ(targets.launcherDir, kDir);
    EXPECT_EQ(targets.targetPath, kDir + L"\\Foo.exe");
    EXPECT_TRUE(files.listed.empty());
}

TEST(ResolveGameTargetsTest, NamesWithoutTheExactSuffixAreInvalid) {
    for (const std::wstring& path :
         {std::wstring(), std::wstring(L"_QG.ex"), kDir + L"\\Foo_qg.exe", kDir + L"\\Foo_QG.EXE",
          kDir + L"\\Foo.exe"}) {
        FakeFiles files;
        GameTargets targets;
        EXPECT_EQ(ResolveGameTargets(path, files, targets), kInvalidLauncherName)
            << ::testing::PrintToString(path);
    }
}

TEST(ResolveGameTargetsTest, TheFirstSuffixInTheWholePathCountsAndTheRestIsDropped) {
    FakeFiles files;
    files.folder(L"D:", {File(L"X.exe"), Folder(L"X_QG.exe")})
        .folder(L"D:\\X_QG.exe", {File(L"Foo_QG.exe")})
        .target(L"D:\\X.exe");
    GameTargets targets;
    EXPECT_EQ(ResolveGameTargets(L"D:\\X_QG.exe\\Foo_QG.exe", files, targets), kSuccess);
    EXPECT_EQ(targets.gamePath, L"D:\\X.exe");
    EXPECT_EQ(targets.launcherDir, L"D:\\X_QG.exe");

    FakeFiles renamed;
    renamed.folder(kDir, {File(L"Foo.exe")}).target(kDir + L"\\Foo.exe");
    EXPECT_EQ(ResolveGameTargets(kDir + L"\\Foo_QG.exe.old", renamed, targets), kSuccess);
    EXPECT_EQ(targets.gamePath, kDir + L"\\Foo.exe");
}

TEST(ResolveGameTargetsTest, FallsBackToBinWhenExeIsMissingOrAFolder) {
    for (const auto& exeEntry : std::vector<std::vector<FolderEntry>>{{}, {Folder(L"Foo.exe")}}) {
        FakeFiles files;
        auto entries = exeEntry;
        entries.push_back(File(L"Foo.bin"));
        files.folder(kDir, entries).target(kDir + L"\\Foo.bin");
        GameTargets targets;
        EXPECT_EQ(ResolveGameTargets(kLauncher, files, targets), kSuccess);
        EXPECT_EQ(targets.gamePath, kDir + L"\\Foo.bin");
    }
}

TEST(ResolveGameTargetsTest, NoGameIsErrorTenEvenBesideAClientTarget) {
    FakeFiles files;
    files.folder(kDir, {File(L"Other.exe")}).target(kDir + L"\\Other.exe");
    GameTargets targets;
    EXPECT_EQ(ResolveGameTargets(kLauncher, files, targets), kGameExecutableNotFound);
}

TEST(ResolveGameTargetsTest, ATargetInASubfolderLeavesTheGamePathAlone) {
    FakeFiles files;
    files.folder(kDir, {File(L"Foo.exe"), Folder(L"Bin")})
        .folder(kDir + L"\\Bin", {File(L"Game.exe")})
        .target(kDir + L"\\Bin\\Game.exe");
    GameTargets targets;
    EXPECT_EQ(ResolveGameTargets(kLauncher, files, targets), kSuccess);
    EXPECT_EQ(targets.gamePath, kDir + L"\\Foo.exe");
    EXPECT_EQ(targets.targetPath, kDir + L"\\Bin\\Game.exe");
}

TEST(ResolveGameTargetsTest, NoTargetAnywhereIsErrorEleven) {
    FakeFiles files;
    files.folder(kDir, {File(L"Foo.exe"), Folder(L"Locked")});  // "Locked" cannot be listed
    GameTargets targets;
    EXPECT_EQ(ResolveGameTargets(kLauncher, files, targets), kClientTargetNotFound);
    EXPECT_TRUE(targets.targetPath.empty());
}

TEST(FindClientTargetTest, ExaminesOnlyFilesWithACandidateExtensionAfterLowerCasing) {
    FakeFiles files;
    files
        .folder(kDir,
                {File(L"SETUP.EXE"), File(L"game.exe.bak"), File(L"game.ex"), File(L"data.pak"),
                 File(L"noextension"), File(L"x.Bin"), File(L".dll"), File(L"client.dll")})
        .target(kDir + L"\\client.dll");
    std::wstring result;
    EXPECT_TRUE(FindClientTarget(kDir, files, result));
    EXPECT_EQ(result, kDir + L"\\client.dll");
    EXPECT_EQ(files.examined,
              (std::vector<std::wstring>{kDir + L"\\SETUP.EXE", kDir + L"\\x.Bin", kDir + L"\\.dll",
                                         kDir + L"\\client.dll"}));
}

TEST(FindClientTargetTest, WalksDepthFirstInListingOrder) {
    FakeFiles files;
    files.folder(kDir, {Folder(L"A"), File(L"top.exe"), Folder(L"B")})
        .folder(kDir + L"\\A", {Folder(L"Deep"), File(L"a.exe")})
        .folder(kDir + L"\\A\\Deep", {File(L"deep.dll")})
        .folder(kDir + L"\\B", {File(L"b.exe")})
        .target(kDir + L"\\A\\a.exe")
        .target(kDir + L"\\top.exe");
    std::wstring result;
    EXPECT_TRUE(FindClientTarget(kDir, files, result));
    // A subfolder listed before a qualifying file is searched first, and its hit wins.
    EXPECT_EQ(result, kDir + L"\\A\\a.exe");
    EXPECT_EQ(files.examined,
              (std::vector<std::wstring>{kDir + L"\\A\\Deep\\deep.dll", kDir + L"\\A\\a.exe"}));
}

TEST(FindClientTargetTest, DoesNotEnterJunctionsOrLinks) {
    FakeFiles files;
    files.folder(kDir, {{L"Link", kFileAttributeDirectory | kFileAttributeReparsePoint}})
        .folder(kDir + L"\\Link", {File(L"linked.exe")})
        .target(kDir + L"\\Link\\linked.exe");
    std::wstring result = L"untouched";
    EXPECT_FALSE(FindClientTarget(kDir, files, result));
    EXPECT_EQ(result, L"untouched");
    EXPECT_EQ(files.listed, std::vector<std::wstring>{kDir});
}

TEST(FindClientTargetTest, JoinsNamesWithOneBackslash) {
    FakeFiles files;
    files.folder(L"C:\\", {File(L"a.exe")})
        .folder(L"", {File(L"b.exe")})
        .target(L"C:\\a.exe")
        .target(L"b.exe");
    std::wstring result;
    EXPECT_TRUE(FindClientTarget(L"C:\\", files, result));
    EXPECT_EQ(result, L"C:\\a.exe");
    EXPECT_TRUE(FindClientTarget(L"", files, result));
    EXPECT_EQ(result, L"b.exe");
}

}  // namespace
}  // namespace quillguard
