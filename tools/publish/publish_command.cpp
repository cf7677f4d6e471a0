#include "publish/publish_command.h"

#include <string_view>

#include "base/readable_file.h"
#include "integrity/file_hashing.h"

namespace quillguard::publish {
namespace {

constexpr std::string_view kUsage =
    "usage: qg-publish COMMAND FILE...\n"
    "commands:\n"
    "  sha1 FILE...     print the SHA-1 of each file, as sha1sum does\n"
    "  stub-id FILE...  print the stub id of each game executable: the SHA-1 of its code section\n";

// Paths are printed as UTF-8 whatever the platform's native encoding.
std::string Printable(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::string NarrowHex(const Sha1Digest& digest) {
    const std::wstring hex = Sha1ToHex(digest);
    return std::string(hex.begin(), hex.end());  // hex digits only
}

// Opens, hashes and prints one file; false after a message on err.
template <typename Hash>
bool PrintDigest(const std::filesystem::path& path, std::ostream& out, std::ostream& err,
                 Hash hash) {
    ReadableFile file(path);
    if (!file.IsOpen()) {
        err << "qg-publish: " << Printable(path) << ": cannot open: " << file.LastErrorText()
            << '\n';
        return false;
    }
    std::string problem;
    const auto digest = hash(file, problem);
    if (!digest) {
        err << "qg-publish: " << Printable(path) << ": " << problem << '\n';
        return false;
    }
    out << NarrowHex(*digest) << "  " << Printable(path) << '\n';
    return true;
}

std::optional<Sha1Digest> WholeFile(ReadableFile& file, std::string& problem) {
    auto digest = HashOpenFile(file);
    if (!digest) {
        problem = "cannot read: " + file.LastErrorText();
    }
    return digest;
}

std::optional<Sha1Digest> CodeSectionOnly(ReadableFile& file, std::string& problem) {
    const CodeSectionHash hash = HashCodeSectionOf(file);
    if (!hash.digest) {
        problem = hash.problem.readFailed ? "cannot read: " + file.LastErrorText()
                                          : std::string(hash.problem.text);
    }
    return hash.digest;
}

}  // namespace

int RunPublishCommand(std::span<const std::filesystem::path> arguments, std::ostream& out,
                      std::ostream& err) {
    if (arguments.size() < 2) {
        err << kUsage;
        return 2;
    }
    const std::filesystem::path& command = arguments[0];
    const auto files = arguments.subspan(1);
    int status = 0;
    for (const auto& file : files) {
        bool printed = false;
        if (command == "sha1") {
            printed = PrintDigest(file, out, err, WholeFile);
        } else if (command == "stub-id") {
            printed = PrintDigest(file, out, err, CodeSectionOnly);
        } else {
            err << "qg-publish: unknown command " << Printable(command) << '\n' << kUsage;
            return 2;
        }
        if (!printed) {
            status = 1;
        }
    }
    return status;
}

}  // namespace quillguard::publish
