#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quillguard::testing {

// Builds PE images byte by byte, valid or broken on purpose, for tests of the header readers.
class PeImageBuilder {
  public:
    struct Section {
        std::string name;  // up to 8 bytes, NUL-padded
        std::uint32_t characteristics = 0;
        std::vector<std::uint8_t> rawData;
        // Where the raw data is said to be and how long; left unset they describe rawData, placed
        // behind the headers.
        std::int64_t pointerToRawData = -1;
        std::int64_t sizeOfRawData = -1;
    };

    static constexpr std::uint32_t kCode = 0x00000020;
    static constexpr std::uint32_t kInitializedData = 0x00000040;

    PeImageBuilder& peOffset(std::int32_t offset) {
        peOffset_ = offset;
        return *this;
    }
    PeImageBuilder& optionalHeaderSize(std::uint16_t size) {
        optionalHeaderSize_ = size;
        return *this;
    }
    PeImageBuilder& machine(std::uint16_t machine) {
        machine_ = machine;
        return *this;
    }
    PeImageBuilder& sectionCount(std::uint16_t count) {
        sectionCountOverride_ = count;
        return *this;
    }
    PeImageBuilder& addSection(Section section) {
        sections_.push_back(std::move(section));
        return *this;
    }

    // Offset of the first byte after the section table.
    std::size_t HeadersEnd() const {
        return static_cast<std::size_t>(peOffset_) + 4 + 20 + optionalHeaderSize_ +
               40 * sections_.size();
    }

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> image(HeadersEnd() > 64 ? HeadersEnd() : 64, 0);
        Put16(image, 0, 0x5A4D);
        Put32(image, 60, static_cast<std::uint32_t>(peOffset_));
        const std::size_t pe = static_cast<std::size_t>(peOffset_);
        Put32(image, pe, 0x00004550);
        Put16(image, pe + 4, machine_);
        Put16(image, pe + 6,
              sectionCountOverride_ >= 0 ? static_cast<std::uint16_t>(sectionCountOverride_)
                                         : static_cast<std::uint16_t>(sections_.size()));
        Put16(image, pe + 20, optionalHeaderSize_);
        std::size_t header = pe + 24 + optionalHeaderSize_;
        for (const Section& section : sections_) {
            for (std::size_t i = 0; i < section.name.size() && i < 8; ++i) {
                image[header + i] = static_cast<std::uint8_t>(section.name[i]);
            }
            std::uint32_t pointer = static_cast<std::uint32_t>(image.size());
            if (section.pointerToRawData >= 0) {
                pointer = static_cast<std::uint32_t>(section.pointerToRawData);
            } else {
                image.insert(image.end(), section.rawData.begin(), section.rawData.end());
            }
            const auto size = section.sizeOfRawData >= 0
                                  ? static_cast<std::uint32_t>(section.sizeOfRawData)
                                  : static_cast<std::uint32_t>(section.rawData.size());
            Put32(image, header + 16, size);
            Put32(image, header + 20, pointer);
            Put32(image, header + 36, section.characteristics);
            header += 40;
        }
        return image;
    }

    static void Put16(std::vector<std::uint8_t>& image, std::size_t offset, std::uint16_t value) {
        image[offset] = static_cast<std::uint8_t>(value);
        image[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    static void Put32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            image[offset + static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

  private:
    std::int32_t peOffset_ = 64;
    std::uint16_t optionalHeaderSize_ = 0xF0;
    std::uint16_t machine_ = 0x8664;
    int sectionCountOverride_ = -1;
    std::vector<Section> sections_;
};

}  // namespace quillguard::testing
