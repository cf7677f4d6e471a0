#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>

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
                        ProgressCallback) override {
        log_.push_back(L"download " + url);
        const auto found = bodies.find(url);
        const std::string* bytes = brokenDownload          ? &*brokenDownload
                                   : found != bodies.end() ? &found->second
                                                           : nullptr;
        if (bytes != nullptr) {
            std::ofstream(std::filesystem::path(filePath), std::ios::binary | std::ios::trunc)
                << *bytes;
        }
        return bytes != nullptr && !brokenDownload;
    }

  private:
    CallLog& log_;
};

// Opens sessions that all answer from one scripted session.
class FakeDownloads final : public Downloads {
  public:
    explicit FakeDownloads(FakeHttpSession& session) : session_(session) {}

    std::unique_ptr<HttpSession> OpenSession() override {
        return std::make_unique<Forwarding>(session_);
    }

  private:
    class Forwarding final : public HttpSession {
      public:
        explicit Forwarding(HttpSession& target) : target_(target) {}
        bool FetchString(const std::wstring& url, std::string& text) override {
            return target_.FetchString(url, text);
        }
        bool DownloadToFile(const std::wstring& url, const std::wstring& filePath,
                            ProgressCallback progress) override {
            return target_.DownloadToFile(url, filePath, std::move(progress));
        }

      private:
        HttpSession& target_;
    };

    FakeHttpSession& session_;
};

}  // namespace quillguard::testing
