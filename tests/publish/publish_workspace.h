#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <system_error>
#include <tuple>
#include <utility>
#include <vector>

#include "publish/key_files.h"
#include "publish/manifest_signing.h"
#include "publish/publish_command.h"
#include "support/manifest_text.h"
#include "support/pe_image_builder.h"
#include "support/scratch_file.h"
#include "support/version_resource.h"

namespace quillguard::testing {

inline constexpr char kBaseUrl[] = "https://updates.example.com:8443";

using Arguments = std::vector<std::filesystem::path>;

// A build's path in the tree, named by its digest.
inline std::string Build(const std::string& bytes, const std::string& extension) {
    return "files/" + HexDigestOf(bytes) + "." + extension;
}
// Code-section bytes, which make a stub id, and images built around them.
inline std::string Code(const std::string& name) {
    return "code of " + name;
}
// The manifest of the stub of a game built around Code(game).
inline std::string Stub(const std::string& game) {
    return "stub/" + HexDigestOf(Code(game)) + "/manifest.json";
}
inline std::string Image(const std::string& code, std::vector<std::string> imports = {},
                         PeImageBuilder builder = {}) {
    builder.addSection({".text", PeImageBuilder::kCode, {code.begin(), code.end()}});
    if (!imports.empty()) {
        builder.importLibraries(std::move(imports));
    }
    const auto bytes = builder.Build();
    return std::string(bytes.begin(), bytes.end());
}
inline std::string Library(const std::string& code, PeImageBuilder builder = {}) {
    return Image(code, {}, std::move(builder.characteristics(0x2022)));
}
// A launcher build, as its version resource names its server and keys.
inline std::string Launcher(const std::string& code, const std::string& server = kBaseUrl,
                            const std::string& keys = "none") {
    const auto wide = [](const std::string& text) {
        return std::u16string(text.begin(), text.end());
    };
    return Image(code, {},
                 Versioned(VersionInfoBlock(
                     {{u"UpdateServer", wide(server)}, {u"UpdateSigningKeys", wide(keys)}})));
}

// Exit status, standard output and standard error of one run of the tool.
inline std::tuple<int, std::string, std::string> RunTool(const Arguments& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = publish::RunPublishCommand(arguments, out, err);
    return {status, out.str(), err.str()};
}

// A scratch folder holding the inputs of a publication and the tree it goes to; removed after.
class PublishWorkspace {
  public:
    PublishWorkspace() : folder_(ScratchFile::UniquePath()) {
        std::filesystem::create_directories(folder_);
        Put("launcher.exe", Launcher(Code("launcher 2")));
        Put("QGClient.dll", Library(Code("client 2")));
        Put("QGClient-1.dll", Library(Code("client 1")));
        Put("Foo.exe", Image(Code("Foo"), {"QGClient.dll"}));
        Put("Bar.exe", Image(Code("Bar"), {"qgclient.DLL"}));
    }
    ~PublishWorkspace() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    PublishWorkspace(const PublishWorkspace&) = delete;
    PublishWorkspace& operator=(const PublishWorkspace&) = delete;

    std::filesystem::path Input(const std::string& name) const { return folder_ / name; }
    std::filesystem::path Root() const { return folder_ / "www"; }

    void Put(const std::string& name, const std::string& bytes) const {
        std::filesystem::create_directories((folder_ / name).parent_path());
        std::ofstream(folder_ / name, std::ios::binary) << bytes;
    }
    std::string Content(const std::string& name) const {
        return ReadWholeFile(folder_ / name).value_or("<none>");
    }

    // publish with the usual root and base URL, then the given arguments.
    Arguments PublishArguments(Arguments more) const {
        more.insert(more.begin(), {"publish", "--root", Root(), "--base-url", kBaseUrl});
        return more;
    }

    // Launcher, a client library, both games, then the given arguments.
    std::tuple<int, std::string, std::string> PublishAll(
        const std::string& library = "QGClient.dll", const Arguments& more = {}) const {
        auto arguments =
            PublishArguments({"--launcher", Input("launcher.exe"), "--client-library",
                              Input(library), "--game", Input("Foo.exe"), Input("Bar.exe")});
        arguments.insert(arguments.end(), more.begin(), more.end());
        return RunTool(arguments);
    }

    std::tuple<int, std::string, std::string> Verify(Arguments more = {}) const {
        more.insert(more.begin(), {"verify", "--root", Root(), "--base-url", kBaseUrl});
        return RunTool(more);
    }

    // Every file under a folder of the workspace, the tree's root unless told ("" for all of it),
    // by its path there, with its bytes; none when there is no such folder.
    std::map<std::string, std::string> Tree(const std::string& under = "www") const {
        const std::filesystem::path top = under.empty() ? folder_ : folder_ / under;
        std::map<std::string, std::string> tree;
        std::error_code missing;
        if (!std::filesystem::exists(top, missing)) {
            return tree;
        }
        for (const auto& entry : std::filesystem::recursive_directory_iterator(top)) {
            if (entry.is_regular_file()) {
                tree[entry.path().lexically_relative(top).generic_string()] =
                    ReadWholeFile(entry.path()).value_or("<unreadable>");
            }
        }
        return tree;
    }

  private:
    std::filesystem::path folder_;
};

// A workspace with a key pair made by keygen and a launcher build that holds its public key.
class SignedWorkspace : public PublishWorkspace {
  public:
    SignedWorkspace() {
        RunTool({"keygen", "--out", Input("keys")});
        key_ = publish::LoadSigningKey(PrivateKey()).key.value();
        Put("launcher.exe", Launcher(Code("launcher 2"), kBaseUrl, Fingerprint()));
    }
    std::filesystem::path PrivateKey() const { return Input("keys/signing-key.pem"); }
    std::filesystem::path PublicKey() const { return Input("keys/signing-key.pub.pem"); }
    std::string Fingerprint() const { return publish::Fingerprint(key_.point); }
    const publish::SigningKey& Key() const { return key_; }

    std::tuple<int, std::string, std::string> PublishSigned(Arguments more = {}) const {
        more.insert(more.begin(), {"--signing-key", PrivateKey()});
        return PublishAll("QGClient.dll", more);
    }
    // Signs members with the workspace's key, as publish would, and serves them at treePath.
    void Sign(const std::string& treePath, const SignedMembers& members) const {
        Put("www/" + treePath, *publish::SignedManifestText(members, key_));
    }

  private:
    publish::SigningKey key_;
};

}  // namespace quillguard::testing
