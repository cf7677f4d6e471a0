#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "net/http_session.h"
#include "support/call_log.h"

namespace quillguard::testing {

// A server played from tables: each URL answers with its body, or fails when it has none; a
// download writes the body to the file. Records "fetch URL" and "download URL".
class FakeHttpSession final : public HttpSession {
  public:
    explicit FakeHttpSession(CallLog& log) : log_(log) {}

    std::map<std::wstring, std::string> bodies;
    // A download that breaks off: these bytes reach the file, then the download fails.
    std::optional<std::string> brokenDownload;

    bool FetchString(const std::wstring& url, std::string& text) override {
        log_.push_back(L"fetch " + url);
        const auto found = bodies.find(url);
        if (found == bodies.end()) {
            return false;
        }
        text = found->second;
        return true;
    }
    bool DownloadToFile(const std::wstring& url, const std::wstring& filePath,
                        std::uint64_t) override {
        log_.push_back(L"download " + url);
        const auto found = bodies.find(url);
        if (!brokenDownload && found == bodies.end()) {
            return false;
        }
        std::ofstream(std::filesystem::path(filePath), std::ios::binary | std::ios::trunc)
            << (brokenDownload ? *brokenDownload : found->second);
        return !brokenDownload;
    }

  private:
    CallLog& log_;
};

// Opens sessions that each answer as the scripted session does when it is opened.
class FakeDownloads final : public Downloads {
  public:
    explicit FakeDownloads(const FakeHttpSession& session) : session_(session) {}

    std::unique_ptr<HttpSession> OpenSession() override {
        return std::make_unique<FakeHttpSession>(session_);
    }

  private:
    const FakeHttpSession& session_;
};

}  // namespace quillguard::testing
