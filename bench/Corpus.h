#pragma once
// A reproducible corpus of file names: English words, Japanese words, numbers and extensions.
#include <cstdint>
#include <string>
#include <vector>

class CCorpus {
  public:
    explicit CCorpus(uint32_t seed = 12345) : m_state(seed) {}

    std::vector<std::wstring> Names(size_t count);

  private:
    uint32_t Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    template <class T> const T& Pick(const std::vector<T>& items) {
        return items[Next() % items.size()];
    }

    uint32_t m_state;
};

// The names as files of one folder can hold them: a name met again (letter case aside, as
// Windows file systems compare names) gets " (2)", " (3)", ... before its extension, as
// Explorer names copies; other names stay as they are, in their order.
std::vector<std::wstring> UniqueFileNames(const std::vector<std::wstring>& names);
