// The hardening check on a small PE image built here: the image as the build makes it passes,
// and each row breaks one thing the loader relies on and expects exactly that fault.
#include "PeImage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace {

struct ImageLayout {
    bool m_is64 = true;
    uint16_t m_dllCharacteristics = 0x0160; // HIGH_ENTROPY_VA | DYNAMIC_BASE | NX_COMPAT
    uint16_t m_characteristics = 0x0022;    // EXECUTABLE_IMAGE | LARGE_ADDRESS_AWARE
    uint32_t m_relocationSize = 12;
    uint32_t m_symbolCount = 0;
    std::vector<std::string> m_imports{"KERNEL32.dll", "USER32.dll"};
    std::string m_longSection = ".gnu_debuglink"; // named through the string table
};

template <class T> void Put(std::string& image, size_t offset, T value) {
    std::memcpy(image.data() + offset, &value, sizeof value);
}
void PutText(std::string& image, size_t offset, const std::string& text) {
    std::memcpy(image.data() + offset, text.data(), text.size());
}

// One section at RVA 0x1000 (file 0x400) with the import descriptors and the DLL names, one
// with a long name (file 0x600) holding a debug link, and the string table at 0x800.
std::string MakeImage(const ImageLayout& layout) {
    std::string image(0xA00, '\0');
    PutText(image, 0, "MZ");
    Put<uint32_t>(image, 0x3C, 0x40);
    PutText(image, 0x40, "PE");
    const size_t optionalSize = layout.m_is64 ? 240 : 224;
    Put<uint16_t>(image, 0x46, 2);
    Put<uint32_t>(image, 0x4C, 0x800);
    Put<uint32_t>(image, 0x50, layout.m_symbolCount);
    Put<uint16_t>(image, 0x54, static_cast<uint16_t>(optionalSize));
    Put<uint16_t>(image, 0x56, layout.m_characteristics);
    const size_t optional = 0x58;
    Put<uint16_t>(image, optional, layout.m_is64 ? 0x20B : 0x10B);
    Put<uint16_t>(image, optional + 70, layout.m_dllCharacteristics);
    const size_t directories = optional + (layout.m_is64 ? 112 : 96);
    Put<uint32_t>(image, directories - 4, 16);
    Put<uint32_t>(image, directories + 1 * 8, 0x1000);
    Put<uint32_t>(image, directories + 5 * 8, 0x1100);
    Put<uint32_t>(image, directories + 5 * 8 + 4, layout.m_relocationSize);

    const size_t sections = optional + optionalSize;
    PutText(image, sections, ".idata");
    Put<uint32_t>(image, sections + 8, 0x200);
    Put<uint32_t>(image, sections + 12, 0x1000);
    Put<uint32_t>(image, sections + 16, 0x200);
    Put<uint32_t>(image, sections + 20, 0x400);
    PutText(image, sections + 40, "/4");
    Put<uint32_t>(image, sections + 40 + 16, 0x200);
    Put<uint32_t>(image, sections + 40 + 12, 0x2000);
    Put<uint32_t>(image, sections + 40 + 20, 0x600);
    PutText(image, 0x600, "app.debug");
    // The symbols (18 bytes each) come before the string table.
    const size_t strings = 0x800 + layout.m_symbolCount * 18;
    image.resize(std::max(image.size(), strings + 0x100));
    PutText(image, strings + 4, layout.m_longSection);

    for (size_t i = 0; i < layout.m_imports.size(); ++i) {
        Put<uint32_t>(image, 0x400 + i * 20 + 12, static_cast<uint32_t>(0x1100 + i * 32));
        PutText(image, 0x500 + i * 32, layout.m_imports[i]);
    }
    return image;
}

const std::vector<std::string> kAllowed{"kernel32.dll", "user32.dll"};

TEST(PeImage, ReadsTheFlagsTheImportsAndTheDebugLink) {
    const std::optional<PeImage> image = ReadPeImage(MakeImage({}));
    ASSERT_TRUE(image);
    EXPECT_TRUE(image->m_is64);
    EXPECT_EQ(image->m_imports, kAllowed);
    EXPECT_EQ(image->m_sections, (std::vector<std::string>{".idata", ".gnu_debuglink"}));
    EXPECT_EQ(image->m_debugLink, "app.debug");
    EXPECT_TRUE(HardeningFaults(*image, kAllowed).empty());
}

struct FaultRow {
    const char* m_name;
    std::function<void(ImageLayout&)> m_break;
    const char* m_fault; // empty: passes
};

TEST(PeImage, EachBrokenPropertyIsItsOwnFault) {
    const FaultRow rows[] = {
        {"no ASLR", [](ImageLayout& s) { s.m_dllCharacteristics &= ~0x0040; },
         "no ASLR (DYNAMIC_BASE)"},
        {"64-bit without high entropy", [](ImageLayout& s) { s.m_dllCharacteristics &= ~0x0020; },
         "no high-entropy ASLR (HIGH_ENTROPY_VA)"},
        {"32-bit needs no high entropy",
         [](ImageLayout& s) {
             s.m_is64 = false;
             s.m_dllCharacteristics &= ~0x0020;
         },
         ""},
        {"no DEP", [](ImageLayout& s) { s.m_dllCharacteristics &= ~0x0100; }, "no DEP (NX_COMPAT)"},
        {"no relocation directory", [](ImageLayout& s) { s.m_relocationSize = 0; },
         "no base relocations"},
        {"relocations stripped", [](ImageLayout& s) { s.m_characteristics |= 0x0001; },
         "no base relocations"},
        {"symbols left", [](ImageLayout& s) { s.m_symbolCount = 3; },
         "COFF symbols left in the file"},
        {"debugging data left", [](ImageLayout& s) { s.m_longSection = ".debug_info"; },
         "debugging data left in the file"},
        {"an import off the list", [](ImageLayout& s) { s.m_imports.push_back("libssp-0.dll"); },
         "imports libssp-0.dll, which is not allowed"},
    };
    for (const FaultRow& row : rows) {
        ImageLayout layout;
        row.m_break(layout);
        const std::optional<PeImage> image = ReadPeImage(MakeImage(layout));
        ASSERT_TRUE(image) << row.m_name;
        const std::vector<std::string> faults = HardeningFaults(*image, kAllowed);
        EXPECT_EQ(faults, std::string(row.m_fault).empty() ? std::vector<std::string>{}
                                                           : std::vector<std::string>{row.m_fault})
            << row.m_name;
    }
}

TEST(PeImage, WhatIsNotAPeFileIsRefused) {
    const std::string good = MakeImage({});
    for (const std::string& bad :
         {std::string(), std::string("MZ"), good.substr(0, 0x50), "ZM" + good.substr(2),
          good.substr(0, 0x40) + "NE" + good.substr(0x42)}) {
        EXPECT_FALSE(ReadPeImage(bad)) << bad.size();
    }
}

} // namespace
