#include "update/win32_accepted_versions.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "base/product_names.h"

namespace quillguard {
namespace {

constexpr char kServer[] = "https://updates.test";
constexpr char kPath[] = "/launcher/manifest.json";
const std::wstring kValue = L"UpdateVersion https://updates.test/launcher/manifest.json";

// One REG_QWORD per server and path under the QuillGuard key; anything else there is no record.
TEST(Win32AcceptedVersionsTest, KeepsOneQwordPerServerAndPath) {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRegistryKey, kValue.c_str());
    Win32AcceptedVersions versions;
    EXPECT_EQ(versions.Read(kServer, kPath), std::nullopt);
    versions.Record(kServer, kPath, 0x100000002ULL);
    EXPECT_EQ(versions.Read(kServer, kPath), 0x100000002ULL);
    // The record is that value: another type under its name is no record.
    const DWORD small = 9;
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kRegistryKey, kValue.c_str(), REG_DWORD, &small,
                      sizeof(small));
    EXPECT_EQ(versions.Read(kServer, kPath), std::nullopt);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRegistryKey, kValue.c_str());
}

}  // namespace
}  // namespace quillguard
