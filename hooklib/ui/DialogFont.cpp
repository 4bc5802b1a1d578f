#include "ui/DialogFont.h"

#include <algorithm>
#include <cstring>

#include "support/Barrier.h"
#include "support/UniqueHandle.h"

namespace {

// DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy.
constexpr size_t kStyleOffset = 12;
constexpr size_t kMenuOffset = 26;
// pointsize, weight, italic and charset precede the face name.
constexpr size_t kFontFieldsWords = 3;

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) noexcept {
    return Barrier(L"NoteFound", 0, [found] {
        *reinterpret_cast<bool*>(found) = true;
        return 0;
    });
}

bool HasJapaneseFace(HDC hDC, const std::wstring& face) {
    if (face.empty() || face.size() >= LF_FACESIZE) {
        return false;
    }
    LOGFONTW font{};
    font.lfCharSet = SHIFTJIS_CHARSET;
    std::copy(face.begin(), face.end(), font.lfFaceName);
    bool found = false;
    EnumFontFamiliesExW(hDC, &font, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
    return found;
}

// Offset just past the zero-terminated UTF-16 string at offset, or size when it runs off the end.
size_t SkipString(const BYTE* data, size_t size, size_t offset) {
    for (; offset + 1 < size; offset += 2) {
        if (data[offset] == 0 && data[offset + 1] == 0) {
            return offset + 2;
        }
    }
    return size;
}

// A menu or class field: 0x0000 none, 0xFFFF followed by an ordinal, or a string.
size_t SkipNameOrOrdinal(const BYTE* data, size_t size, size_t offset) {
    if (offset + 2 > size) {
        return size;
    }
    WORD first = 0;
    std::memcpy(&first, data + offset, sizeof(first));
    if (first == 0) {
        return offset + 2;
    }
    if (first == 0xFFFF) {
        return offset + 4;
    }
    return SkipString(data, size, offset);
}

size_t AlignToDword(size_t offset) {
    return (offset + 3) & ~size_t{3};
}

std::vector<DWORD> CopyAligned(const BYTE* data, size_t size) {
    std::vector<DWORD> copy((size + 3) / 4, 0);
    std::memcpy(copy.data(), data, size);
    return copy;
}

bool IsExtendedWithFont(const BYTE* data, size_t size) {
    if (size < kMenuOffset) {
        return false;
    }
    WORD version = 0;
    WORD signature = 0;
    DWORD style = 0;
    std::memcpy(&version, data, sizeof(version));
    std::memcpy(&signature, data + 2, sizeof(signature));
    std::memcpy(&style, data + kStyleOffset, sizeof(style));
    return version == 1 && signature == 0xFFFF && (style & DS_SETFONT) != 0;
}

// Offset of the face name, or 0 when the template is not extended or names no font.
size_t FaceOffset(const BYTE* data, size_t size) {
    if (!IsExtendedWithFont(data, size)) {
        return 0;
    }
    size_t offset = SkipNameOrOrdinal(data, size, kMenuOffset);
    offset = SkipNameOrOrdinal(data, size, offset);
    offset = SkipString(data, size, offset) + kFontFieldsWords * 2;
    return offset < size ? offset : 0;
}

std::wstring FaceName(const BYTE* data, size_t size, size_t faceOffset) {
    const size_t faceEnd = SkipString(data, size, faceOffset);
    std::wstring face((faceEnd - faceOffset) / 2, L'\0');
    std::memcpy(face.data(), data + faceOffset, face.size() * 2);
    // Through the pointer: the name ends at its terminator, which the copy above includes.
    return face.c_str(); // NOLINT(readability-redundant-string-cstr)
}

} // namespace

std::wstring ChooseJapaneseFace(const std::wstring& preferred) {
    const unique_hdc_window screen(nullptr, GetDC(nullptr));
    for (const std::wstring& face : {preferred, std::wstring(L"MS UI Gothic"),
                                     std::wstring(L"IPAPGothic"), std::wstring(L"IPAGothic")}) {
        if (HasJapaneseFace(screen.get(), face)) {
            return face;
        }
    }
    return std::wstring();
}

std::vector<DWORD> WithDialogFace(const BYTE* data, size_t size, const std::wstring& face) {
    const size_t faceOffset = FaceOffset(data, size);
    const size_t itemsOffset = AlignToDword(SkipString(data, size, faceOffset));
    if (faceOffset == 0 || itemsOffset > size) {
        return CopyAligned(data, size);
    }
    // The items keep their own alignment when they move by whole DWORDs.
    std::vector<BYTE> bytes(data, data + faceOffset);
    const auto* faceBytes = reinterpret_cast<const BYTE*>(face.c_str());
    bytes.insert(bytes.end(), faceBytes, faceBytes + (face.size() + 1) * sizeof(wchar_t));
    bytes.resize(AlignToDword(bytes.size()), 0);
    bytes.insert(bytes.end(), data + itemsOffset, data + size);
    return CopyAligned(bytes.data(), bytes.size());
}

std::vector<DWORD> LoadJapaneseDialogTemplate(HINSTANCE module, int id) {
    HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(id), RT_DIALOG);
    HGLOBAL loaded = resource != nullptr ? LoadResource(module, resource) : nullptr;
    const auto* data = static_cast<const BYTE*>(loaded != nullptr ? LockResource(loaded) : nullptr);
    if (data == nullptr) {
        return {};
    }
    const size_t size = SizeofResource(module, resource);
    const size_t faceOffset = FaceOffset(data, size);
    if (faceOffset == 0) {
        return CopyAligned(data, size);
    }
    const std::wstring named = FaceName(data, size, faceOffset);
    const std::wstring face = ChooseJapaneseFace(named);
    return face.empty() || face == named ? CopyAligned(data, size)
                                         : WithDialogFace(data, size, face);
}
