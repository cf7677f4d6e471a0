// What Windows reads from the launcher's image before any of its code runs: the application
// manifest and the version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

namespace quillguard {
namespace {

std::wstring EnvironmentValue(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value == nullptr ? std::wstring() : std::wstring(value);
}

std::wstring LauncherImage() {
    return EnvironmentValue(L"QG_LAUNCHER_EXE");
}

// The manifest as embedded in the image (resource 1 of type RT_MANIFEST); empty when missing.
std::string ManifestOf(const std::wstring& path) {
    const HMODULE image = ::LoadLibraryExW(
        path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    std::string manifest;
    if (const HRSRC found =
            image ? ::FindResourceW(image, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr) {
        const auto* bytes = static_cast<const char*>(::LockResource(::LoadResource(image, found)));
        manifest.assign(bytes, ::SizeofResource(image, found));
    }
    if (image) {
        ::FreeLibrary(image);
    }
    return manifest;
}

std::wstring VersionString(const std::wstring& path, const std::wstring& name) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<unsigned char> data(size);
    if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        return {};
    }
    void* value = nullptr;
    UINT length = 0;
    const std::wstring key = L"\\StringFileInfo\\040904b0\\" + name;
    if (!::VerQueryValueW(data.data(), key.c_str(), &value, &length) || length == 0) {
        return {};
    }
    return std::wstring(static_cast<const wchar_t*>(value), length - 1);
}

TEST(LauncherImageTest, EmbedsTheManifestThatWindowsReadsBeforeAnyCodeRuns) {
    ASSERT_FALSE(LauncherImage().empty()) << "QG_LAUNCHER_EXE is not set";
    const std::filesystem::path manifestFile(EnvironmentValue(L"QG_LAUNCHER_MANIFEST"));
    std::error_code error;
    const auto size = std::filesystem::file_size(manifestFile, error);
    ASSERT_FALSE(error) << "QG_LAUNCHER_MANIFEST cannot be read";
    std::string expected(static_cast<std::size_t>(size), '\0');
    std::ifstream(manifestFile, std::ios::binary)
        .read(expected.data(), static_cast<std::streamsize>(expected.size()));
    EXPECT_EQ(ManifestOf(LauncherImage()), expected);
}

TEST(LauncherImageTest, VersionResourceNamesTheProductAndItsUpdateServer) {
    ASSERT_FALSE(LauncherImage().empty()) << "QG_LAUNCHER_EXE is not set";
    EXPECT_EQ(VersionString(LauncherImage(), L"ProductName"), L"QuillGuard Launcher");
    EXPECT_EQ(VersionString(LauncherImage(), L"FileVersion"), EnvironmentValue(L"QG_VERSION"));
    EXPECT_EQ(VersionString(LauncherImage(), L"UpdateServer"),
              EnvironmentValue(L"QG_UPDATE_SERVER"));
}

}  // namespace
}  // namespace quillguard
