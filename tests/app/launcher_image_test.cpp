// What Windows reads from the launcher's image before any of its code runs: the application
// manifest and the version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/scratch_file.h"

namespace quillguard {
namespace {

// A setting that ctest gives the test program; missing settings would make missing strings pass.
std::wstring Setting(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    EXPECT_NE(value, nullptr) << name;
    return value != nullptr ? value : L"<missing>";
}

// A string of the version resource's US English, Unicode block; empty when missing.
std::wstring VersionString(const std::wstring& path, const std::wstring& name) {
    std::vector<unsigned char> data(::GetFileVersionInfoSizeW(path.c_str(), nullptr));
    const std::wstring key = L"\\StringFileInfo\\040904b0\\" + name;
    void* value = nullptr;
    UINT length = 0;
    if (data.empty() ||
        !::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()) ||
        !::VerQueryValueW(data.data(), key.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(LauncherImageTest, EmbedsTheManifestAndTheVersionResourceThatNamesItsServer) {
    const std::wstring path = Setting(L"QG_LAUNCHER_EXE");
    const HMODULE image = ::LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(image, nullptr);
    const HRSRC found = ::FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(image, found)));
    EXPECT_EQ(testing::ReadWholeFile(Setting(L"QG_LAUNCHER_MANIFEST")),
              std::string(bytes, ::SizeofResource(image, found)));
    ::FreeLibrary(image);
    EXPECT_EQ(VersionString(path, L"ProductName"), L"QuillGuard Launcher");
    EXPECT_EQ(VersionString(path, L"FileVersion"), Setting(L"QG_VERSION"));
    EXPECT_EQ(VersionString(path, L"UpdateServer"), Setting(L"QG_UPDATE_SERVER"));
    EXPECT_EQ(VersionString(path, L"UpdateSigningKeys"), L"none");
    EXPECT_EQ(VersionString(Setting(L"QG_SIGNED_LAUNCHER_EXE"), L"UpdateSigningKeys"),
              Setting(L"QG_SIGNING_FINGERPRINTS"));
}

}  // namespace
}  // namespace quillguard
