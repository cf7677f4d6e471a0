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
        // Where the section is mapped, as long as its raw data; left unset, one 64 KiB slot a
        // section in table order.
        std::int64_t virtualAddress = -1;
    };

    static constexpr std::uint32_t kCode = 0x00000020;
    static constexpr std::uint32_t kInitializedData = 0x00000040;
    // Where the PE signature goes: right behind the DOS header.
    static constexpr std::uint32_t kPeOffset = 64;

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
    // A 32-bit image: its machine, optional header size and magic.
    PeImageBuilder& x86() {
        machine_ = 0x014C;
        optionalHeaderSize_ = 0xE0;
        return *this;
    }
    PeImageBuilder& magic(std::uint16_t magic) {
        magic_ = magic;
        return *this;
    }
    PeImageBuilder& rvaCount(std::uint32_t count) {
        rvaCount_ = count;
        return *this;
    }
    // Adds an ".idata" section, last, whose import descriptors name these libraries in order,
    // and points the import directory at it.
    PeImageBuilder& importLibraries(std::vector<std::string> names) {
        importNames_ = std::move(names);
        hasImports_ = true;
        return *this;
    }
    // Points the import directory elsewhere (0: no imports).
    PeImageBuilder& importRva(std::uint32_t rva) {
        importRvaOverride_ = rva;
        return *this;
    }

    // Offset of the first byte after the section table.
    std::size_t HeadersEnd() const {
        return kPeOffset + 4 + 20 + optionalHeaderSize_ + 40 * AllSections().size();
    }

    std::vector<std::uint8_t> Build() const {
        const std::vector<Section> sections = AllSections();
        std::vector<std::uint8_t> image(HeadersEnd() > 64 ? HeadersEnd() : 64, 0);
        Put16(image, 0, 0x5A4D);
        Put32(image, 60, kPeOffset);
        const std::size_t pe = kPeOffset;
        Put32(image, pe, 0x00004550);
        Put16(image, pe + 4, machine_);
        Put16(image, pe + 6,
              sectionCountOverride_ >= 0 ? static_cast<std::uint16_t>(sectionCountOverride_)
                                         : static_cast<std::uint16_t>(sections.size()));
        Put16(image, pe + 20, optionalHeaderSize_);
        WriteOptionalHeader(image, pe + 24, sections.size());
        std::size_t header = pe + 24 + optionalHeaderSize_;
        for (std::size_t index = 0; index < sections.size(); ++index) {
            const Section& section = sections[index];
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
            Put32(image, header + 8, static_cast<std::uint32_t>(section.rawData.size()));
            Put32(image, header + 12, VirtualAddressOf(sections, index));
            Put32(image, header + 16, size);
            Put32(image, header + 20, pointer);
            Put32(image, header + 36, section.characteristics);
            header += 40;
        }
        return image;
    }

    static void Put16(std::vector<std::uint8_t>& image, std::size_t offset, std::uint16_t value) {
        image.at(offset) = static_cast<std::uint8_t>(value);
        image.at(offset + 1) = static_cast<std::uint8_t>(value >> 8);
    }
    static void Put32(std::vector<std::uint8_t>& image, std::size_t offset, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            image.at(offset + static_cast<std::size_t>(i)) =
                static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

  private:
    static std::uint32_t VirtualAddressOf(const std::vector<Section>& sections, std::size_t index) {
        return sections[index].virtualAddress >= 0
                   ? static_cast<std::uint32_t>(sections[index].virtualAddress)
                   : static_cast<std::uint32_t>(0x10000 * (index + 1));
    }

    std::vector<Section> AllSections() const {
        std::vector<Section> sections = sections_;
        if (hasImports_) {
            // Descriptors, the terminating one included, then the names behind them.
            Section idata{".idata", kInitializedData,
                          std::vector<std::uint8_t>(20 * (importNames_.size() + 1))};
            // The import directory points at the default slot of this, the last section.
            const auto base = static_cast<std::uint32_t>(0x10000 * (sections_.size() + 1));
            idata.virtualAddress = base;
            for (std::size_t i = 0; i < importNames_.size(); ++i) {
                Put32(idata.rawData, 20 * i + 12,
                      base + static_cast<std::uint32_t>(idata.rawData.size()));
                idata.rawData.insert(idata.rawData.end(), importNames_[i].begin(),
                                     importNames_[i].end());
                idata.rawData.push_back(0);
            }
            sections.push_back(std::move(idata));
        }
        return sections;
    }

    void WriteOptionalHeader(std::vector<std::uint8_t>& image, std::size_t at,
                             std::size_t sectionCount) const {
        const bool x86 = machine_ == 0x014C;
        const auto put32 = [&](std::size_t offset, std::uint32_t value) {
            if (offset + 4 <= optionalHeaderSize_) {
                Put32(image, at + offset, value);
            }
        };
        if (optionalHeaderSize_ >= 2) {
            Put16(image, at,
                  magic_ != 0 ? magic_ : static_cast<std::uint16_t>(x86 ? 0x10B : 0x20B));
        }
        put32(x86 ? 92 : 108, rvaCount_);
        std::uint32_t imports = 0;
        if (importRvaOverride_ >= 0) {
            imports = static_cast<std::uint32_t>(importRvaOverride_);
        } else if (hasImports_) {
            imports = static_cast<std::uint32_t>(0x10000 * sectionCount);
        }
        put32(x86 ? 104 : 120, imports);
    }

    std::uint16_t optionalHeaderSize_ = 0xF0;
    std::uint16_t machine_ = 0x8664;
    int sectionCountOverride_ = -1;
    std::uint16_t magic_ = 0;
    std::uint32_t rvaCount_ = 16;
    std::int64_t importRvaOverride_ = -1;
    bool hasImports_ = false;
    std::vector<std::string> importNames_;
    std::vector<Section> sections_;
};

}  // namespace quillguard::testing
