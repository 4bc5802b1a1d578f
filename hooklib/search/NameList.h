#pragma once
// The names of a view's items as a search reads them: laid end to end in one buffer, read in
// one stream by every matching pass instead of one allocation per name, and the text searched
// in each (up to its first NUL) cut once when the names are read, not on every keystroke.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "view/WndCtrl.h"

class CNameList {
  public:
    CNameList() = default;
    // Implicit: the names a view gives convert.
    CNameList(const ItemNames& names);

    size_t size() const { return m_textEnds.size(); }
    bool empty() const { return m_textEnds.empty(); }
    // The whole name of item i.
    std::wstring_view operator[](size_t i) const {
        return std::wstring_view(m_buffer).substr(m_starts[i], m_starts[i + 1] - m_starts[i]);
    }
    // What of the name of item i is searched: the text up to its first NUL.
    std::wstring_view Text(size_t i) const {
        return std::wstring_view(m_buffer).substr(m_starts[i], m_textEnds[i] - m_starts[i]);
    }

  private:
    std::wstring m_buffer;
    std::vector<size_t> m_starts{0}; // name i is [m_starts[i], m_starts[i + 1]) of m_buffer
    std::vector<size_t> m_textEnds;  // and its text ends at m_textEnds[i]
};
