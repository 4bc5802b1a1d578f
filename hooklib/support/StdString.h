#pragma once
// The program's wide (UTF-16) string: the standard wide string plus printf-style Format.
#include <string>

template <class CharT> class CStdTemplString : public std::basic_string<CharT> {
  public:
    using std::basic_string<CharT>::basic_string;
    CStdTemplString() = default;
    CStdTemplString(const std::basic_string<CharT>& text) : std::basic_string<CharT>(text) {}
    CStdTemplString(std::basic_string<CharT>&& text) : std::basic_string<CharT>(std::move(text)) {}
    virtual ~CStdTemplString() = default;
    CStdTemplString(const CStdTemplString&) = default;
    CStdTemplString(CStdTemplString&&) noexcept = default;
    CStdTemplString& operator=(const CStdTemplString&) = default;
    CStdTemplString& operator=(CStdTemplString&&) noexcept = default;
};

class CStdString : public CStdTemplString<wchar_t> {
  public:
    using CStdTemplString<wchar_t>::CStdTemplString;
    CStdString() = default;
    CStdString(const wchar_t* text) : CStdTemplString<wchar_t>(text ? text : L"") {}

#ifdef _WIN32
    // printf-style formatting with the C runtime's wide rules (%s takes a wide string).
    // Throws std::runtime_error when the runtime rejects the format.
    int Format(const wchar_t* format, ...);
#endif
};
