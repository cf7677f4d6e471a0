#include "publish/build_inputs.h"

#include <vector>

#include "base/readable_file.h"
#include "game/client_target.h"
#include "integrity/file_hashing.h"
#include "publish/publisher_crypto.h"

namespace quillguard::publish {
namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

InputDigest Failure(std::string problem) {
    return {std::nullopt, std::move(problem)};
}

InputDigest ReadFailure(const ReadableFile& file) {
    return Failure("cannot read: " + file.LastErrorText());
}

InputDigest CodeSectionFailure(const ReadableFile& file, const CodeSectionProblem& problem) {
    return problem.readFailed ? ReadFailure(file) : Failure(std::string(problem.text));
}

// Opens path and hands the open file to read; a file that cannot be opened is named so.
template <typename Read>
InputDigest WithFile(const std::filesystem::path& path, Read read) {
    ReadableFile file(path);
    if (!file.IsOpen()) {
        return Failure("cannot open: " + file.LastErrorText());
    }
    return read(file);
}

InputDigest WholeDigestOf(ReadableFile& file) {
    auto digest = HashOpenFile(file);
    return digest ? InputDigest{digest, {}} : ReadFailure(file);
}

InputDigest CodeSectionDigestOf(ReadableFile& file) {
    const CodeSectionHash hash = HashCodeSectionOf(file);
    return hash.digest ? InputDigest{hash.digest, {}} : CodeSectionFailure(file, hash.problem);
}

}  // namespace

std::optional<FileSha256> Sha256AndSize(const std::filesystem::path& path) {
    ReadableFile file(path);
    if (!file.IsOpen()) {
        return std::nullopt;
    }
    Sha256Stream stream;
    FileSha256 facts;
    std::vector<std::uint8_t> buffer(kChunkSize);
    for (;;) {
        const auto received = file.Read(buffer.data(), buffer.size());
        if (!received) {
            return std::nullopt;
        }
        if (*received == 0) {
            break;
        }
        facts.size += *received;
        stream.Update(std::span(buffer).first(*received));
    }
    const auto digest = stream.Finish();
    if (!digest) {
        return std::nullopt;
    }
    facts.sha256 = *digest;
    return facts;
}

InputDigest WholeFileDigest(const std::filesystem::path& path) {
    return WithFile(path, WholeDigestOf);
}

InputDigest CodeSectionDigest(const std::filesystem::path& path) {
    return WithFile(path, CodeSectionDigestOf);
}

InputDigest BuildDigest(const std::filesystem::path& path) {
    return WithFile(path, [](ReadableFile& file) {
        const CodeSectionLookup lookup = FindCodeSection(file);
        if (!lookup.section) {
            return CodeSectionFailure(file, lookup.problem);
        }
        return file.SeekFromStart(0) ? WholeDigestOf(file) : ReadFailure(file);
    });
}

InputDigest StubId(const std::filesystem::path& path) {
    return WithFile(path, [](ReadableFile& file) {
        const bool target = IsClientTargetFile(file);
        if (!file.SeekFromStart(0)) {
            return ReadFailure(file);
        }
        // The image's own problem first: "not a PE image" says more than "not a client target".
        InputDigest stubId = CodeSectionDigestOf(file);
        if (stubId.digest && !target) {
            return Failure("not a client target: " + std::string(kClientLibraryName) +
                           " must be the only library it imports");
        }
        return stubId;
    });
}

}  // namespace quillguard::publish
