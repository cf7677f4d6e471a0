// What Windows reads from the launcher's image before any of its code runs: the application
// manifest and the version resource.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
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

class ImageModule {
  public:
    explicit ImageModule(const std::wstring& path)
        : module_(::LoadLibraryExW(path.c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {}
    ~ImageModule() {
        if (module_ != nullptr) {
            ::FreeLibrary(module_);
        }
    }
    ImageModule(const ImageModule&) = delete;
    ImageModule& operator=(const ImageModule&) = delete;

    HMODULE get() const { return module_; }

  private:
    HMODULE module_;
};

std::string ManifestOf(const std::wstring& path) {
    const ImageModule image(path);
    if (image.get() == nullptr) {
        return {};
    }
    HRSRC found = ::FindResourceW(image.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (found == nullptr) {
        return {};
    }
    HGLOBAL loaded = ::LoadResource(image.get(), found);
    const auto* bytes = static_cast<const char*>(::LockResource(loaded));
    return bytes == nullptr ? std::string()
                            : std::string(bytes, ::SizeofResource(image.get(), found));
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

TEST(LauncherImageTest, ManifestRunsAsInvokerWithModernControlsAndDpiAwareness) {
    ASSERT_FALSE(LauncherImage().empty()) << "QG_LAUNCHER_EXE is not set";
    const std::string manifest = ManifestOf(LauncherImage());
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos);
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos);
    EXPECT_NE(manifest.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"),
              std::string::npos);
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
