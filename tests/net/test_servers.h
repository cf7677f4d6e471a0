#pragma once

#include <cstddef>
#include <string>

namespace quillguard::testing {

// URL of a path on the fault-injecting server (plain HTTP on 127.0.0.1).
std::wstring FaultUrl(const std::wstring& path);

// URL of a port on 127.0.0.1 that refuses connections.
std::wstring RefusedUrl();

// URL of a path on nginx with the certificate that the test prefix trusts.
std::wstring TrustedUrl(const std::wstring& path);

// URL of a path on nginx with a certificate from an authority that nothing trusts.
std::wstring UnknownAuthorityUrl(const std::wstring& path);

// Puts bytes at a path under /transport/ of the tree nginx serves and returns that URL path.
std::wstring Publish(const std::wstring& name, const std::string& bytes);

// How many requests the fault server has answered; read over a client of its own.
unsigned FaultRequestCount();

// size bytes counting 0, 1, .. 255, 0, ..: what the fault server sends as a body.
std::string Pattern(std::size_t size);

// Reads a whole file into content; false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& content);

// Writes bytes to a file, replacing it.
void WriteWholeFile(const std::wstring& path, const std::string& content);

// A path in the temporary folder that no other test uses; nothing is created there.
std::wstring ScratchPath(const std::wstring& stem);

}  // namespace quillguard::testing
