#include "publish/publish_command.h"

#include <charconv>
#include <optional>
#include <string>
#include <string_view>

#include "publish/build_inputs.h"
#include "publish/key_files.h"
#include "publish/publish_tree.h"
#include "publish/tree_files.h"
#include "publish/update_tree.h"
#include "publish/verify_tree.h"

namespace quillguard::publish {
namespace {

constexpr std::string_view kUsage =
    "usage: qg-publish COMMAND ARGUMENTS\n"
    "commands:\n"
    "  sha1 FILE...     print the SHA-1 of each file, as sha1sum does\n"
    "  stub-id FILE...  print the stub id of each game executable: the SHA-1 of its code section\n"
    "  publish --root DIR --base-url URL [--files-base-url URL] [--launcher FILE]\n"
    "          [--client-library FILE --game FILE...] [--signing-key FILE [--expires-in DAYS]]\n"
    "                   put the builds and their manifests into the tree the update server\n"
    "                   serves at URL, builds first, each manifest replaced in one step;\n"
    "                   the builds' URLs begin with the files base URL (a CDN's) when given;\n"
    "                   with a signing key, each manifest written is signed\n"
    "  verify --root DIR --base-url URL [--files-base-url URL] [--fetch-files]\n"
    "         [--public-key FILE]...\n"
    "                   check that every manifest in the tree is one the launcher accepts and\n"
    "                   names a build with the digest it gives: the tree's copy, or with\n"
    "                   --fetch-files the one its URL serves; signatures are checked with the\n"
    "                   public keys given\n"
    "  keygen --out DIR write a new signing key pair: DIR/signing-key.pem (private, readable\n"
    "                   by you only) and DIR/signing-key.pub.pem; never replaces either\n";

// Longest expiry: a manifest that expires later protects players from nothing.
constexpr unsigned kMostExpiryDays = 3650;

bool IsOption(const std::filesystem::path& argument) {
    return Printable(argument).starts_with("--");
}

std::optional<unsigned> ExpiryDays(std::string_view text) {
    unsigned days = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), days);
    if (error != std::errc() || end != text.data() + text.size() || days == 0 ||
        days > kMostExpiryDays) {
        return std::nullopt;
    }
    return days;
}

struct ParsedTreeOptions {
    TreeOptions options;
    std::string problem;  // empty when the options are usable
};

// The problem with the options as a whole, once each was read.
std::string CheckTogether(const TreeOptions& options, bool withBuilds) {
    if (options.root.empty()) {
        return "--root DIR is required";
    }
    if (options.baseUrl.empty()) {
        return "--base-url URL is required";
    }
    if (!IsBaseUrl(options.baseUrl)) {
        return "--base-url must be the launcher's update server, https://HOST or "
               "https://HOST:PORT with nothing after it, not \"" +
               options.baseUrl + "\"";
    }
    if (!options.filesBaseUrl.empty() && !IsBaseUrl(options.filesBaseUrl)) {
        return "--files-base-url must be https://HOST or https://HOST:PORT with nothing after "
               "it, not \"" +
               options.filesBaseUrl + "\"";
    }
    if (!withBuilds) {
        return "";
    }
    if (options.expiresInDays && !options.signingKey) {
        return "--expires-in DAYS goes with --signing-key FILE";
    }
    if (options.clientLibrary.has_value() != !options.games.empty()) {
        return "--client-library FILE and --game FILE... go together";
    }
    if (!options.launcher && !options.clientLibrary) {
        return "nothing to publish: give --launcher FILE, --client-library FILE --game FILE..., "
               "or both";
    }
    return "";
}

// Reads "--root DIR --base-url URL [--files-base-url URL]", with builds also "[--launcher FILE]
// [--client-library FILE --game FILE...] [--signing-key FILE [--expires-in DAYS]]", and without
// them "[--fetch-files] [--public-key FILE]...", in any order. The problem names the first option
// missing, repeated, unknown or unusable; with builds, something must be given to publish, and a
// client library and its games come together.
ParsedTreeOptions ParseTreeOptions(std::span<const std::filesystem::path> arguments,
                                   bool withBuilds) {
    ParsedTreeOptions parsed;
    TreeOptions& options = parsed.options;
    std::optional<std::filesystem::path> root;
    std::optional<std::filesystem::path> baseUrl;
    std::optional<std::filesystem::path> filesBaseUrl;
    std::optional<std::filesystem::path> expiresIn;
    for (std::size_t i = 0; i < arguments.size() && parsed.problem.empty(); ++i) {
        const std::string name = Printable(arguments[i]);
        const bool hasValue = i + 1 < arguments.size() && !IsOption(arguments[i + 1]);
        std::optional<std::filesystem::path>* single = nullptr;
        if (name == "--root") {
            single = &root;
        } else if (name == "--base-url") {
            single = &baseUrl;
        } else if (name == "--files-base-url") {
            single = &filesBaseUrl;
        } else if (!withBuilds && name == "--fetch-files" && !options.fetchFiles) {
            options.fetchFiles = true;
            continue;
        } else if (withBuilds && name == "--launcher") {
            single = &options.launcher;
        } else if (withBuilds && name == "--client-library") {
            single = &options.clientLibrary;
        } else if (withBuilds && name == "--signing-key") {
            single = &options.signingKey;
        } else if (withBuilds && name == "--expires-in") {
            single = &expiresIn;
        } else if (!withBuilds && name == "--public-key" && hasValue) {
            options.publicKeys.push_back(arguments[++i]);
            continue;
        } else if (withBuilds && name == "--game") {
            if (!hasValue) {
                parsed.problem = "--game takes one file or more";
            }
            while (i + 1 < arguments.size() && !IsOption(arguments[i + 1])) {
                options.games.push_back(arguments[++i]);
            }
            continue;
        } else {
            parsed.problem = "unknown option " + name;
            continue;
        }
        if (!hasValue || single->has_value() || arguments[i + 1].empty()) {
            parsed.problem = name + " takes one value, once";
        } else {
            *single = arguments[++i];
        }
    }
    if (parsed.problem.empty() && expiresIn) {
        options.expiresInDays = ExpiryDays(Printable(*expiresIn));
        if (!options.expiresInDays) {
            parsed.problem = "--expires-in takes a whole number of days from 1 to " +
                             std::to_string(kMostExpiryDays);
        }
    }
    if (parsed.problem.empty()) {
        options.root = root.value_or(std::filesystem::path());
        options.baseUrl = baseUrl ? Printable(*baseUrl) : "";
        options.filesBaseUrl = filesBaseUrl ? Printable(*filesBaseUrl) : "";
        parsed.problem = CheckTogether(options, withBuilds);
    }
    return parsed;
}

int Usage(std::ostream& err, std::string_view problem = {}) {
    if (!problem.empty()) {
        err << "qg-publish: " << problem << '\n';
    }
    err << kUsage;
    return 2;
}

// Prints each file's digest as sha1sum does; a file without one is named on err with the reason.
int PrintDigests(std::span<const std::filesystem::path> files, std::ostream& out, std::ostream& err,
                 InputDigest (*read)(const std::filesystem::path&)) {
    int status = 0;
    for (const auto& file : files) {
        const InputDigest input = read(file);
        if (input.digest) {
            out << HexOf(input.digest->bytes) << "  " << Printable(file) << '\n';
        } else {
            err << "qg-publish: " << Printable(file) << ": " << input.problem << '\n';
            status = 1;
        }
    }
    return status;
}

}  // namespace

int RunPublishCommand(std::span<const std::filesystem::path> arguments, std::ostream& out,
                      std::ostream& err) {
    if (arguments.empty()) {
        return Usage(err);
    }
    const std::string command = Printable(arguments[0]);
    const auto rest = arguments.subspan(1);
    if (command == "publish" || command == "verify") {
        const bool publish = command == "publish";
        const ParsedTreeOptions parsed = ParseTreeOptions(rest, publish);
        if (!parsed.problem.empty()) {
            return Usage(err, parsed.problem);
        }
        return publish ? PublishTree(parsed.options, out, err)
                       : VerifyTree(parsed.options, out, err);
    }
    if (command == "keygen") {
        if (rest.size() != 2 || Printable(rest[0]) != "--out" || rest[1].empty()) {
            return Usage(err, "keygen takes --out DIR");
        }
        return MakeKeyPair(rest[1], out, err);
    }
    if (command != "sha1" && command != "stub-id") {
        return Usage(err, "unknown command " + command);
    }
    if (rest.empty()) {
        return Usage(err);
    }
    return PrintDigests(rest, out, err, command == "sha1" ? WholeFileDigest : CodeSectionDigest);
}

}  // namespace quillguard::publish
