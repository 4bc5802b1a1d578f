#pragma once
// The number fields of the settings dialog, read as a user types them: with the input method
// editor on, a Japanese system types full-width digits ("２０００"), which are the same number.
#include <cstdint>
#include <optional>
#include <string>

// The value of a field: a blank field is 0; otherwise the text is read as "%d" reads it, after
// folding full-width forms. No value when the text is not a number (or not one of 32 bits):
// the setting then keeps the value it had.
std::optional<int32_t> ParseNumberField(const std::wstring& text);
