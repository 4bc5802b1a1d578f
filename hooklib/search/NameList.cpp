#include "search/NameList.h"

#include "search/Pattern.h"

CNameList::CNameList(const ItemNames& names) {
    size_t total = 0;
    for (const std::wstring& name : names) {
        total += name.size();
    }
    m_buffer.reserve(total);
    m_starts.reserve(names.size() + 1);
    m_textEnds.reserve(names.size());
    for (const std::wstring& name : names) {
        m_textEnds.push_back(m_buffer.size() + NameText(name).size());
        m_buffer += name;
        m_starts.push_back(m_buffer.size());
    }
}
