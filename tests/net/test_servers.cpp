#include "test_servers.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "net/http_client.h"

namespace quillguard::testing {
namespace {

// A variable that ctest sets for the test program; the program cannot run without it.
std::wstring Setting(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    if (value == nullptr || *value == L'\0') {
        throw std::runtime_error("the test needs its servers' settings from ctest");
    }
    return value;
}

std::wstring PortFrom(const wchar_t* file) {
    std::string port;
    if (!ReadWholeFile(Setting(L"QG_FAULT_STATE") + L"\\" + file, port)) {
        throw std::runtime_error("the fault server is not running");
    }
    while (!port.empty() && (port.back() == '\n' || port.back() == '\r')) {
        port.pop_back();
    }
    return std::wstring(port.begin(), port.end());
}

}  // namespace

std::wstring FaultUrl(const std::wstring& path) {
    static const std::wstring port = PortFrom(L"fault.port");
    return L"http://127.0.0.1:" + port + path;
}

std::wstring RefusedUrl() {
    static const std::wstring port = PortFrom(L"refused.port");
    return L"http://127.0.0.1:" + port + L"/refused";
}

std::wstring TrustedUrl(const std::wstring& path) {
    return L"https://localhost:47443" + path;
}

std::wstring UnknownAuthorityUrl(const std::wstring& path) {
    return L"https://localhost:47444" + path;
}

std::wstring Publish(const std::wstring& name, const std::string& bytes) {
    const std::filesystem::path folder =
        std::filesystem::path(Setting(L"QG_NGINX_ROOT")) / L"transport";
    std::filesystem::create_directories(folder);
    WriteWholeFile((folder / name).wstring(), bytes);
    return L"/transport/" + name;
}

unsigned FaultRequestCount() {
    HttpClient client;
    std::string count;
    if (!client.FetchString(FaultUrl(L"/count"), count)) {
        throw std::runtime_error("cannot read the fault server's request count");
    }
    return static_cast<unsigned>(std::stoul(count));
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>(i % 256);
    }
    return bytes;
}

bool ReadWholeFile(const std::wstring& path, std::string& content) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary | std::ios::ate);
    if (!file) {
        return false;
    }
    content.resize(static_cast<std::size_t>(file.tellg()));
    file.seekg(0);
    return static_cast<bool>(
        file.read(content.data(), static_cast<std::streamsize>(content.size())));
}

void WriteWholeFile(const std::wstring& path, const std::string& content) {
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
}

std::wstring ScratchPath(const std::wstring& stem) {
    static unsigned counter = 0;
    return (std::filesystem::temp_directory_path() /
            (L"qg-net-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
             std::to_wstring(counter++) + L"-" + stem))
        .wstring();
}

}  // namespace quillguard::testing
