#include "publish/verify_tree.h"

#include <algorithm>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "base/readable_file.h"
#include "integrity/file_hashing.h"
#include "net/manifest.h"
#include "publish/tree_files.h"
#include "publish/update_tree.h"

namespace quillguard::publish {
namespace {

bool IsStubId(std::string_view name) {
    return name.size() == 40 && std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// Why the launcher would not take this body for a manifest with a download URL.
std::optional<std::string> ManifestProblem(const ManifestReading& reading) {
    switch (reading.finding) {
        case ManifestFinding::NotOneJsonValue:
            return "not one JSON value: launchers report a failed fetch";
        case ManifestFinding::NotAnObject:
            return "not a JSON object: launchers report a missing SHA-1";
        case ManifestFinding::NoUsableSha1:
            return "no \"sha1\" string of 40 hex digits: launchers report a missing SHA-1";
        case ManifestFinding::Read:
            break;
    }
    if (!reading.manifest.url) {
        return "no \"url\" string: launchers that need the build report a missing URL";
    }
    return std::nullopt;
}

// The problem with the build a manifest names, if any.
std::optional<std::string> BuildProblem(const std::filesystem::path& root, std::string_view baseUrl,
                                        const Manifest& manifest) {
    // The launcher widened the URL byte by byte; narrowing it back gives those bytes again.
    std::string url;
    for (const wchar_t unit : *manifest.url) {
        url.push_back(static_cast<char>(unit));
    }
    const auto treePath = TreePathOf(baseUrl, url);
    if (!treePath) {
        return "\"url\" " + url + " names no file under " + std::string(baseUrl);
    }
    ReadableFile file(OnDisk(root, *treePath));
    if (!file.IsOpen()) {
        return "names " + *treePath + ", which cannot be opened: " + file.LastErrorText();
    }
    const auto digest = HashOpenFile(file);
    if (!digest) {
        return "names " + *treePath + ", which cannot be read: " + file.LastErrorText();
    }
    if (*digest != manifest.sha1) {
        return "names " + *treePath + ", whose SHA-1 is " + HexOf(*digest) + ", not " +
               HexOf(manifest.sha1);
    }
    return std::nullopt;
}

class TreeVerifier {
  public:
    TreeVerifier(const std::filesystem::path& root, std::string_view baseUrl, std::ostream& out,
                 std::ostream& err)
        : root_(root), baseUrl_(baseUrl), out_(out), err_(err) {}

    void CheckManifest(const std::string& treePath) {
        const auto body = ReadUpTo(OnDisk(root_, treePath), kFetchLimit);
        if (!body) {
            return Problem(treePath, "missing or cannot be read");
        }
        if (body->size() > kFetchLimit) {
            return Problem(treePath, "larger than 64 KiB: launchers report a failed fetch");
        }
        const ManifestReading reading = ReadManifest(*body);
        auto problem = ManifestProblem(reading);
        if (!problem) {
            problem = BuildProblem(root_, baseUrl_, reading.manifest);
        }
        if (problem) {
            return Problem(treePath, *problem);
        }
        out_ << "ok    " << treePath << '\n';
    }

    // Every folder under stub/ in name order; a launcher asks only for lower-case stub ids.
    void CheckStubs() {
        const std::filesystem::path folder = OnDisk(root_, kStubFolder);
        std::error_code error;
        std::vector<std::string> names;
        for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
             it.increment(error)) {
            if (it->is_directory(error)) {
                names.push_back(Printable(it->path().filename()));
            }
        }
        if (error && error != std::errc::no_such_file_or_directory) {
            return Problem(std::string(kStubFolder), "cannot be listed: " + error.message());
        }
        std::sort(names.begin(), names.end());
        for (const std::string& name : names) {
            const std::string stub = std::string(kStubFolder) + "/" + name;
            if (IsStubId(name)) {
                CheckManifest(stub + "/" + std::string(kManifestFileName));
            } else {
                Problem(stub, "not a stub id (40 lower-case hex digits): no launcher asks for it");
            }
        }
    }

    bool FoundProblems() const { return problems_ > 0; }

  private:
    void Problem(std::string_view treePath, std::string_view text) {
        err_ << "qg-publish: " << treePath << ": " << text << '\n';
        ++problems_;
    }

    const std::filesystem::path& root_;
    std::string_view baseUrl_;
    std::ostream& out_;
    std::ostream& err_;
    int problems_ = 0;
};

}  // namespace

int VerifyTree(const std::filesystem::path& root, std::string_view baseUrl, std::ostream& out,
               std::ostream& err) {
    TreeVerifier verifier(root, baseUrl, out, err);
    verifier.CheckManifest(std::string(kLauncherManifestPath));
    verifier.CheckStubs();
    return verifier.FoundProblems() ? 1 : 0;
}

}  // namespace quillguard::publish
