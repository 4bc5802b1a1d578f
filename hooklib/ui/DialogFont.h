#pragma once
// Dialog templates name their font; where that font is missing (Meiryo UI under Wine, on older
// systems) the system substitutes one that may lack Japanese glyphs. These helpers pick an
// installed Japanese face instead and put it into a copy of the template.
#include <windows.h>

#include <string>
#include <vector>

// First installed face, in order, that has Japanese glyphs: preferred, then "MS UI Gothic",
// then the IPA Gothic faces. Empty when none is installed.
std::wstring ChooseJapaneseFace(const std::wstring& preferred);

// A copy of an extended dialog template (DIALOGEX, data and size) whose font is face. Templates
// without a font, or not extended, are copied unchanged. Stored as DWORDs: a template must be
// aligned.
std::vector<DWORD> WithDialogFace(const BYTE* data, size_t size, const std::wstring& face);

// Template id of module with a Japanese face that is installed, ready for
// DialogBoxIndirectParamW; empty when the resource is missing.
std::vector<DWORD> LoadJapaneseDialogTemplate(HINSTANCE module, int id);
