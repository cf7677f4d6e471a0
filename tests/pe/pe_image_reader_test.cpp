#include "pe/pe_image_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

namespace quillguard::pe {
namespace {

// How the reader's statuses decide a verdict is IsClientTarget's and FindCodeSection's test.
TEST(FileOffsetOfRvaTest, MapsThroughTheFirstSectionThatHoldsTheRva) {
    const std::vector<SectionHeader> sections = {
        {{}, 0x100, 0x1000, 0, 0x400, 0},
        {{}, 0x200, 0x1080, 0, 0x800, 0},  // overlaps the first
        {{}, 0x100, 0x3000, 0, 0, 0},
        {{}, 0x100, 0x4000, 0, 0xFFFFFF80, 0},
    };
    const struct {
        std::uint32_t rva;
        std::optional<std::uint32_t> offset;
    } cases[] = {
        {0x1000, 0x400},       {0x10FF, 0x4FF},        {0x1080, 0x480},
        {0x1100, 0x880},       {0x127F, 0x9FF},        {0x1280, std::nullopt},
        {0xFFF, std::nullopt}, {0x3000, std::nullopt},                          // offset 0
        {0x3001, 1},           {0x407F, 0xFFFFFFFF},   {0x4080, std::nullopt},  // past 4 GiB
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FileOffsetOfRva(sections, c.rva), c.offset) << std::hex << c.rva;
    }
}

}  // namespace
}  // namespace quillguard::pe
