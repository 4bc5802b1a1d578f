#include "PeImage.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Offsets and values of the PE/COFF format (Microsoft's "PE Format" reference).
constexpr uint32_t kNewHeaderOffset = 0x3C;
constexpr size_t kFileHeaderSize = 20;
constexpr size_t kSectionHeaderSize = 40;
constexpr size_t kSymbolSize = 18;
constexpr size_t kImportDescriptorSize = 20;
constexpr uint16_t kMagic64 = 0x20B;
constexpr uint16_t kMagic32 = 0x10B;
constexpr uint32_t kImportDirectory = 1;
constexpr uint32_t kRelocationDirectory = 5;
constexpr uint16_t kRelocsStripped = 0x0001;
constexpr uint16_t kHighEntropyVa = 0x0020;
constexpr uint16_t kDynamicBase = 0x0040;
constexpr uint16_t kNxCompat = 0x0100;

class CReader {
  public:
    explicit CReader(const std::string& bytes) : m_bytes(bytes) {}
    bool Has(size_t offset, size_t size) const {
        return offset <= m_bytes.size() && size <= m_bytes.size() - offset;
    }
    template <class T> T Read(size_t offset) const {
        T value{};
        if (Has(offset, sizeof value)) {
            std::memcpy(&value, m_bytes.data() + offset, sizeof value);
        }
        return value; // little-endian hosts only, as every build machine of ours is
    }
    std::string String(size_t offset, size_t limit) const {
        std::string text;
        for (; text.size() < limit && Has(offset, 1) && m_bytes[offset] != '\0'; ++offset) {
            text += m_bytes[offset];
        }
        return text;
    }

  private:
    const std::string& m_bytes;
};

struct Section {
    uint32_t m_address = 0;
    uint32_t m_size = 0;
    uint32_t m_fileOffset = 0;
};

std::optional<size_t> FileOffset(const std::vector<Section>& sections, uint32_t rva) {
    for (const Section& section : sections) {
        if (rva >= section.m_address && rva - section.m_address < section.m_size) {
            return section.m_fileOffset + (rva - section.m_address);
        }
    }
    return std::nullopt;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// A name longer than eight characters is "/N": offset N in the string table after the symbols.
std::string SectionName(const CReader& file, size_t header, size_t stringTable) {
    const std::string name = file.String(header, 8);
    if (name.size() > 1 && name[0] == '/' && stringTable != 0) {
        return file.String(stringTable + std::strtoul(name.c_str() + 1, nullptr, 10), 256);
    }
    return name;
}

void ReadImports(const CReader& file, const std::vector<Section>& sections, uint32_t rva,
                 PeImage& image) {
    std::optional<size_t> at = FileOffset(sections, rva);
    for (; rva != 0 && at && file.Has(*at, kImportDescriptorSize); *at += kImportDescriptorSize) {
        const uint32_t nameRva = file.Read<uint32_t>(*at + 12);
        const std::optional<size_t> name = FileOffset(sections, nameRva);
        if (nameRva == 0 || !name) {
            return;
        }
        image.m_imports.push_back(Lower(file.String(*name, 256)));
    }
}

} // namespace

std::optional<PeImage> ReadPeImage(const std::string& bytes) {
    const CReader file(bytes);
    if (file.String(0, 2) != "MZ") {
        return std::nullopt;
    }
    const size_t pe = file.Read<uint32_t>(kNewHeaderOffset);
    const size_t optional = pe + 4 + kFileHeaderSize;
    if (!file.Has(pe, 4 + kFileHeaderSize) || file.Read<uint32_t>(pe) != 0x00004550) {
        return std::nullopt;
    }
    PeImage image;
    const uint16_t sectionCount = file.Read<uint16_t>(pe + 6);
    const uint32_t symbolTable = file.Read<uint32_t>(pe + 12);
    image.m_symbolCount = file.Read<uint32_t>(pe + 16);
    const uint16_t optionalSize = file.Read<uint16_t>(pe + 20);
    image.m_characteristics = file.Read<uint16_t>(pe + 22);
    const uint16_t magic = file.Read<uint16_t>(optional);
    if ((magic != kMagic64 && magic != kMagic32) || !file.Has(optional, optionalSize)) {
        return std::nullopt;
    }
    image.m_is64 = magic == kMagic64;
    image.m_dllCharacteristics = file.Read<uint16_t>(optional + 70);
    const size_t directories = optional + (image.m_is64 ? 112 : 96);
    const uint32_t directoryCount = file.Read<uint32_t>(directories - 4);
    auto directory = [&](uint32_t index, uint32_t field) {
        return index < directoryCount ? file.Read<uint32_t>(directories + index * 8 + field) : 0u;
    };
    image.m_relocationSize = directory(kRelocationDirectory, 4);

    const size_t stringTable =
        symbolTable == 0 ? 0 : symbolTable + image.m_symbolCount * kSymbolSize;
    std::vector<Section> sections;
    for (size_t i = 0, header = optional + optionalSize; i < sectionCount;
         ++i, header += kSectionHeaderSize) {
        if (!file.Has(header, kSectionHeaderSize)) {
            return std::nullopt;
        }
        const Section section{
            file.Read<uint32_t>(header + 12),
            std::max(file.Read<uint32_t>(header + 8), file.Read<uint32_t>(header + 16)),
            file.Read<uint32_t>(header + 20)};
        sections.push_back(section);
        image.m_sections.push_back(SectionName(file, header, stringTable));
        if (image.m_sections.back() == ".gnu_debuglink") {
            image.m_debugLink = file.String(section.m_fileOffset, 256);
        }
    }
    ReadImports(file, sections, directory(kImportDirectory, 0), image);
    return image;
}

std::vector<std::string> HardeningFaults(const PeImage& image,
                                         const std::vector<std::string>& allowedImports) {
    std::vector<std::string> faults;
    auto require = [&](bool holds, const char* fault) {
        if (!holds) {
            faults.emplace_back(fault);
        }
    };
    require(image.m_dllCharacteristics & kDynamicBase, "no ASLR (DYNAMIC_BASE)");
    require(!image.m_is64 || (image.m_dllCharacteristics & kHighEntropyVa),
            "no high-entropy ASLR (HIGH_ENTROPY_VA)");
    require(image.m_dllCharacteristics & kNxCompat, "no DEP (NX_COMPAT)");
    require(image.m_relocationSize != 0 && !(image.m_characteristics & kRelocsStripped),
            "no base relocations");
    require(image.m_symbolCount == 0, "COFF symbols left in the file");
    require(std::none_of(image.m_sections.begin(), image.m_sections.end(),
                         [](const std::string& name) { return name.starts_with(".debug"); }),
            "debugging data left in the file");
    for (const std::string& name : image.m_imports) {
        if (std::find(allowedImports.begin(), allowedImports.end(), name) == allowedImports.end()) {
            faults.push_back("imports " + name + ", which is not allowed");
        }
    }
    return faults;
}
