#pragma once

#include <cstddef>
#include <cstdint>

#include "base/readable_file.h"
#include "pe/pe_image_reader.h"
#include "publish/version_info.h"

namespace quillguard::publish {

// What kind of image a file holds, from its file header.
struct ImageKind {
    std::uint16_t machine = 0;
    bool dll = false;
};

// Largest version resource read; real ones are a few KiB.
inline constexpr std::size_t kVersionResourceLimit = 64 * 1024;

// The machine and DLL flag of the image in file, read from the start of the file.
pe::Result<ImageKind> ReadImageKind(ReadableFile& file);

// The strings of the image's first version resource, read from the start of the file with one
// bounded read per structure: kOk without strings when the image has no resources or no version
// resource; kMalformed for a resource tree that points outside itself or a version resource
// larger than kVersionResourceLimit or not well formed.
pe::Result<VersionStrings> ReadVersionStrings(ReadableFile& file);

}  // namespace quillguard::publish
