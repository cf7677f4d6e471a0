#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quillguard {

// No byte limit on a download.
inline constexpr std::uint64_t kNoByteLimit = UINT64_MAX;

// One HTTP session of one update flow: what the flows ask of the network.
class HttpSession {
  public:
    virtual ~HttpSession() = default;

    // GETs url and, on a 2xx response read to its end, replaces text with the body byte for byte;
    // false on any failure, text then as it was.
    virtual bool FetchString(const std::wstring& url, std::string& text) = 0;
    // GETs url into filePath, created or truncated first; true when the file holds the complete
    // body of a 2xx response. A body longer than byteLimit fails once that many bytes are read.
    // On failure the file is untouched, empty or deleted.
    virtual bool DownloadToFile(const std::wstring& url, const std::wstring& filePath,
                                std::uint64_t byteLimit = kNoByteLimit) = 0;
};

// Opens the session of one flow; the launcher binds it to WinHTTP, tests to a scripted server.
class Downloads {
  public:
    virtual ~Downloads() = default;

    // A new session, closed when it goes away.
    virtual std::unique_ptr<HttpSession> OpenSession() = 0;
};

}  // namespace quillguard
