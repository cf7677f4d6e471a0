#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillguard::testing {

// Builds PE images byte by byte, valid or broken on purpose, for tests of the header readers.
class PeImageBuilder {
  public:
    struct Section {
        std::string name;  // up to 8 bytes, NUL-padded
        std::uint32_t characteristics = 0;
        std::vector<std::uint8_t> rawData;  // placed behind the headers, in table order
    };

    static constexpr std::uint32_t kCode = 0x00000020;
    static constexpr std::uint32_t kInitializedData = 0x00000040;
    // Where the PE signature goes: right behind the DOS header; the first section header follows
    // the file header and the 64-bit optional header.
    static constexpr std::uint32_t kPeOffset = 64;
    static constexpr std::uint32_t kFirstSectionHeader = kPeOffset + 24 + 0xF0;

    PeImageBuilder& optionalHeaderSize(std::uint16_t size) {
        return Set(optionalHeaderSize_, size);
    }
    PeImageBuilder& machine(std::uint16_t machine) { return Set(machine_, machine); }
    PeImageBuilder& magic(std::uint16_t magic) { return Set(magic_, magic); }
    PeImageBuilder& rvaCount(std::uint32_t count) { return Set(rvaCount_, count); }
    // The file header's characteristics, e.g. 0x2000 for a DLL.
    PeImageBuilder& characteristics(std::uint16_t value) { return Set(characteristics_, value); }
    // Points data directory index (2: the resources) at rva, size bytes long.
    PeImageBuilder& directory(std::uint32_t index, std::uint32_t rva, std::uint32_t size) {
        directories_.push_back({index, rva, size});
        return *this;
    }
    PeImageBuilder& addSection(Section section) {
        sections_.push_back(std::move(section));
        return *this;
    }
    // A 32-bit image: its machine, optional header size and magic.
    PeImageBuilder& x86() { return machine(0x014C).optionalHeaderSize(0xE0); }
    // Adds an ".idata" section, last, whose import descriptors name these libraries in order,
    // and points the import directory at it. Each section is mapped at a 64 KiB slot of its own,
    // in table order, as long as its raw data.
    PeImageBuilder& importLibraries(std::vector<std::string> names) {
        return Set(importNames_, std::move(names));
    }

    std::vector<std::uint8_t> Build() const {
        const std::vector<Section> sections = AllSections();
        std::size_t header = kPeOffset + 24 + optionalHeaderSize_;  // the section table's start
        std::vector<std::uint8_t> image(header + 40 * sections.size(), 0);
        Put<std::uint16_t>(image, 0, 0x5A4D);
        Put(image, 60, kPeOffset);
        Put<std::uint32_t>(image, kPeOffset, 0x00004550);
        Put(image, kPeOffset + 4, machine_);
        Put(image, kPeOffset + 6, static_cast<std::uint16_t>(sections.size()));
        Put(image, kPeOffset + 20, optionalHeaderSize_);
        Put(image, kPeOffset + 22, characteristics_);
        // The optional header's magic, directory count and import directory.
        const bool x86 = machine_ == 0x014C;
        const std::size_t optional = kPeOffset + 24;
        Put(image, optional,
            magic_ != 0 ? magic_ : static_cast<std::uint16_t>(x86 ? 0x10B : 0x20B));
        Put(image, optional + (x86 ? 92 : 108), rvaCount_);
        Put(image, optional + (x86 ? 104 : 120),
            importNames_ ? static_cast<std::uint32_t>(0x10000 * sections.size()) : 0u);
        for (const auto& [index, rva, size] : directories_) {
            Put(image, optional + (x86 ? 96 : 112) + 8 * index, rva);
            Put(image, optional + (x86 ? 100 : 116) + 8 * index, size);
        }
        for (std::size_t index = 0; index < sections.size(); ++index) {
            const Section& section = sections[index];
            for (std::size_t i = 0; i < section.name.size() && i < 8; ++i) {
                image[header + i] = static_cast<std::uint8_t>(section.name[i]);
            }
            const auto length = static_cast<std::uint32_t>(section.rawData.size());
            Put(image, header + 8, length);
            Put(image, header + 12, static_cast<std::uint32_t>(0x10000 * (index + 1)));
            Put(image, header + 16, length);
            Put(image, header + 20, static_cast<std::uint32_t>(image.size()));
            image.insert(image.end(), section.rawData.begin(), section.rawData.end());
            Put(image, header + 36, section.characteristics);
            header += 40;
        }
        return image;
    }

    // Stores a value little-endian, in as many bytes as its type has.
    template <typename T>
    static void Put(std::vector<std::uint8_t>& image, std::size_t offset, T value) {
        for (std::size_t i = 0; i < sizeof(T); ++i) {
            image.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
        }
    }

  private:
    template <typename T, typename Value>
    PeImageBuilder& Set(T& field, Value value) {
        field = std::move(value);
        return *this;
    }

    std::vector<Section> AllSections() const {
        std::vector<Section> sections = sections_;
        if (importNames_) {
            // Descriptors, the terminating one included, then the names behind them.
            Section idata{".idata", kInitializedData,
                          std::vector<std::uint8_t>(20 * (importNames_->size() + 1))};
            const auto base = static_cast<std::uint32_t>(0x10000 * (sections_.size() + 1));
            for (std::size_t i = 0; i < importNames_->size(); ++i) {
                Put(idata.rawData, 20 * i + 12,
                    base + static_cast<std::uint32_t>(idata.rawData.size()));
                idata.rawData.insert(idata.rawData.end(), (*importNames_)[i].begin(),
                                     (*importNames_)[i].end());
                idata.rawData.push_back(0);
            }
            sections.push_back(std::move(idata));
        }
        return sections;
    }

    std::uint16_t optionalHeaderSize_ = 0xF0;
    std::uint16_t machine_ = 0x8664;
    std::uint16_t magic_ = 0;
    std::uint32_t rvaCount_ = 16;
    std::uint16_t characteristics_ = 0;
    std::vector<std::array<std::uint32_t, 3>> directories_;
    std::optional<std::vector<std::string>> importNames_;
    std::vector<Section> sections_;
};

// An image with no section but the imports of these libraries.
inline PeImageBuilder Importing(std::vector<std::string> libraries) {
    return PeImageBuilder().importLibraries(std::move(libraries));
}

}  // namespace quillguard::testing
