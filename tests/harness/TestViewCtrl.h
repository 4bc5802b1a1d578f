#pragma once
// A view controller over a list of names in memory, recording what the search asks of it.
#include <set>
#include <vector>

#include "view/WndCtrl.h"

class CTestViewCtrl : public CWndCtrl {
  public:
    explicit CTestViewCtrl(ItemNames names) : CWndCtrl(nullptr), m_names(std::move(names)) {}

    int GetItemNames(ItemNames& names) override {
        if (m_readFails) {
            return -1;
        }
        names = m_names;
        return 0;
    }
    int SelectItem(int index, int deselectOthers, int focus) override {
        if (deselectOthers == 1) {
            m_selected.clear();
        }
        m_selected.insert(index);
        if (focus == 1) {
            m_focused = index;
        }
        m_calls.push_back({index, deselectOthers, focus});
        return 0;
    }

    struct Call {
        int m_index, m_deselectOthers, m_focus;
        bool operator==(const Call&) const = default;
    };
    ItemNames m_names;
    bool m_readFails = false; // the names cannot be read: none are given
    std::set<int> m_selected;
    int m_focused = -1;
    std::vector<Call> m_calls;
};
