#pragma once
// What a shipped Windows program or library says about its own hardening, read from the file's
// PE headers on any platform: the flags the loader acts on, the relocations that let it move the
// image, the DLLs it imports and whether debugging data travels inside it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct PeImage {
    bool m_is64 = false;
    uint16_t m_characteristics = 0;    // IMAGE_FILE_HEADER::Characteristics
    uint16_t m_dllCharacteristics = 0; // IMAGE_OPTIONAL_HEADER::DllCharacteristics
    uint32_t m_symbolCount = 0;        // COFF symbols left in the file
    uint32_t m_relocationSize = 0;     // the base relocation directory
    std::vector<std::string> m_sections;
    std::vector<std::string> m_imports; // lower case
    std::string m_debugLink;            // the file name .gnu_debuglink names, if any
};

// Nothing if the bytes are not a well-formed PE file.
std::optional<PeImage> ReadPeImage(const std::string& bytes);

// The faults of an image that ships: one line each, empty when it passes. allowedImports are
// lower case.
std::vector<std::string> HardeningFaults(const PeImage& image,
                                         const std::vector<std::string>& allowedImports);
