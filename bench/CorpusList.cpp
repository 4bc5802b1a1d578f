#include "CorpusList.h"

#include <string>
#include <vector>

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

HWND CreateCorpusList(HWND parent, int width, int height) {
    HWND list = CreateWindowExW(
        0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS,
        0, 0, width, height, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.cx = width - 80;
    column.pszText = const_cast<wchar_t*>(L"\u540d\u524d");
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    return list;
}

void FillCorpusList(HWND list, int count) {
    std::vector<std::wstring> names = CCorpus().Names(count > 1 ? count - 1 : 0);
    names.insert(names.begin() + ParkIndex(count), kParkName);
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LVM_SETITEMCOUNT, static_cast<WPARAM>(count), 0);
    for (size_t i = 0; i < names.size(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = names[i].data();
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
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
