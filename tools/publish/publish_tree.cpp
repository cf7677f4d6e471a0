#include "publish/publish_tree.h"

#include <optional>
#include <set>
#include <string>

#include "integrity/file_hashing.h"
#include "publish/build_inputs.h"
#include "publish/tree_files.h"
#include "publish/update_tree.h"

namespace quillguard::publish {
namespace {

// One build to publish, checked and hashed.
struct Build {
    std::filesystem::path source;
    Sha1Digest digest;
    std::string treePath;  // where it goes: files/<sha1>.<extension>
};

// Names a refused input on err with the reason; true when it was refused.
bool Refused(const std::filesystem::path& path, const InputDigest& input, std::ostream& err) {
    if (!input.digest) {
        err << "qg-publish: " << Printable(path) << ": " << input.problem << '\n';
    }
    return !input.digest;
}

// Checks and hashes a build, if one is given; false when it is refused.
bool ReadBuild(const std::optional<std::filesystem::path>& path, std::string_view extension,
               std::optional<Build>& build, std::ostream& err) {
    if (!path) {
        return true;
    }
    const InputDigest input = BuildDigest(*path);
    if (Refused(*path, input, err)) {
        return false;
    }
    build = Build{*path, *input.digest, BuildPath(*input.digest, extension)};
    return true;
}

void Report(std::ostream& out, bool written, std::string_view treePath) {
    out << (written ? "wrote " : "kept  ") << treePath << '\n';
}

// Copies a build into the tree unless a file with its digest is already there. The copy is
// hashed before it takes its name: a source changed since it was checked is never published.
std::optional<FileProblem> PlaceBuild(const std::filesystem::path& root, const Build& build,
                                      std::ostream& out) {
    const std::filesystem::path target = OnDisk(root, build.treePath);
    if (HashFile(target) == build.digest) {
        Report(out, false, build.treePath);
        return std::nullopt;
    }
    std::filesystem::path temporary;
    if (auto problem = CopyToTemporary(build.source, target, temporary)) {
        return problem;
    }
    if (HashFile(temporary) != build.digest) {
        Remove(temporary);
        return FileProblem{build.source, "changed while it was being published"};
    }
    if (auto problem = MoveReplacing(temporary, target)) {
        return problem;
    }
    Report(out, true, build.treePath);
    return std::nullopt;
}

// Writes a manifest naming a build, unless it already says exactly that.
std::optional<FileProblem> PlaceManifest(const TreeOptions& options, std::string_view treePath,
                                         const Build& build, std::ostream& out) {
    const std::string text = ManifestText(build.digest, UrlOf(options.baseUrl, build.treePath));
    const std::filesystem::path target = OnDisk(options.root, treePath);
    if (ReadUpTo(target, text.size()) == text) {
        Report(out, false, treePath);
        return std::nullopt;
    }
    if (auto problem = WriteReplacing(target, text)) {
        return problem;
    }
    Report(out, true, treePath);
    return std::nullopt;
}

}  // namespace

int PublishTree(const TreeOptions& options, std::ostream& out, std::ostream& err) {
    std::optional<Build> launcher;
    std::optional<Build> library;
    bool accepted = ReadBuild(options.launcher, "exe", launcher, err);
    accepted = ReadBuild(options.clientLibrary, "dll", library, err) && accepted;
    // Games that share a code section share a stub, and so one manifest.
    std::set<std::string> stubs;
    for (const auto& game : options.games) {
        const InputDigest stubId = StubId(game);
        accepted = !Refused(game, stubId, err) && accepted;
        if (stubId.digest) {
            stubs.insert(StubManifestPath(*stubId.digest));
        }
    }
    if (!accepted) {
        err << "qg-publish: nothing was published\n";
        return 1;
    }

    // Builds first, then the manifests that name them; the launcher's last, so that a launcher
    // that has just updated itself finds its games' manifests of the same publication.
    std::optional<FileProblem> problem;
    for (const auto* build : {&library, &launcher}) {
        if (*build && !problem) {
            problem = PlaceBuild(options.root, **build, out);
        }
    }
    for (const auto& stub : stubs) {
        if (!problem) {
            problem = PlaceManifest(options, stub, *library, out);
        }
    }
    if (launcher && !problem) {
        problem = PlaceManifest(options, kLauncherManifestPath, *launcher, out);
    }
    if (problem) {
        err << "qg-publish: " << Printable(problem->path) << ": " << problem->text << '\n';
        return 1;
    }
    return 0;
}

}  // namespace quillguard::publish
