#include "CorpusList.h"

#include "Corpus.h"

namespace {

void SetState(HWND list, int index, UINT state, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(&item));
}

} // namespace

ListViewHostLook CorpusListLook(const RECT& bounds) {
    ListViewHostLook look;
    look.m_bounds = bounds;
    look.m_listStyle = LVS_REPORT | LVS_SHOWSELALWAYS;
    look.m_column = L"\u540d\u524d";
    look.m_columnWidth = bounds.right - bounds.left - 100;
    return look;
}

std::vector<std::wstring> CorpusListNames(int count) {
    std::vector<std::wstring> names = CCorpus().Names(count > 1 ? count - 1 : 0);
    names.insert(names.begin() + ParkIndex(count), kParkName);
    return names;
}

void ParkSelection(HWND list, int parkIndex) {
    for (auto i = static_cast<int>(
             SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
         i != -1; i = static_cast<int>(
                      SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(i), LVNI_SELECTED))) {
        if (i != parkIndex) {
            SetState(list, i, 0, LVIS_SELECTED);
        }
    }
    SetState(list, parkIndex, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

bool SelectsAnotherItem(const NMLISTVIEW& change, int parkIndex) {
    return change.iItem != parkIndex && (change.uChanged & LVIF_STATE) != 0 &&
           (change.uNewState & LVIS_SELECTED) != 0 && (change.uOldState & LVIS_SELECTED) == 0;
}
