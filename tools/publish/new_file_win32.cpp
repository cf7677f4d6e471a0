#include <windows.h>
// sddl.h needs the types windows.h declares.
#include <sddl.h>

#include <string>
#include <system_error>
#include <vector>

#include "base/unique_handle.h"
#include "publish/new_file.h"

namespace quillguard::publish {
namespace {

std::string SystemMessage(DWORD error) {
    return std::system_category().message(static_cast<int>(error));
}

// A security descriptor whose protected DACL grants the current user full access and nobody
// else anything: inherited entries from the folder are not applied to it.
UniqueLocalMemory OwnerOnlyDescriptor() {
    UniqueKernelHandle token;
    DWORD size = 0;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) {
        return {};
    }
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &size);
    std::vector<std::uint8_t> user(size);
    UniqueLocalMemory sidText;
    if (!::GetTokenInformation(token.get(), TokenUser, user.data(), size, &size) ||
        !::ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid,
                                  reinterpret_cast<LPWSTR*>(sidText.put()))) {
        return {};
    }
    const std::wstring sddl =
        L"D:P(A;;FA;;;" + std::wstring(static_cast<const wchar_t*>(sidText.get())) + L")";
    UniqueLocalMemory descriptor;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            sddl.c_str(), SDDL_REVISION_1,
            reinterpret_cast<PSECURITY_DESCRIPTOR*>(descriptor.put()), nullptr)) {
        return {};
    }
    return descriptor;
}

}  // namespace

std::optional<FileProblem> WriteNewFile(const std::filesystem::path& path, std::string_view bytes,
                                        Readers readers) {
    UniqueLocalMemory descriptor;
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    if (readers == Readers::kOwnerOnly) {
        descriptor = OwnerOnlyDescriptor();
        if (!descriptor) {
            return FileProblem{path,
                               "cannot make a private file: " + SystemMessage(::GetLastError())};
        }
        attributes.lpSecurityDescriptor = descriptor.get();
    }
    // CREATE_NEW refuses whatever is at path, a link included.
    UniqueFileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return FileProblem{path, "cannot create: " + SystemMessage(::GetLastError())};
    }
    DWORD written = 0;
    const bool good = ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()),
                                  &written, nullptr) &&
                      written == bytes.size();
    const DWORD error = ::GetLastError();
    file.reset();
    if (!good) {
        Remove(path);
        return FileProblem{path, "cannot write: " + SystemMessage(error)};
    }
    return std::nullopt;
}

}  // namespace quillguard::publish
