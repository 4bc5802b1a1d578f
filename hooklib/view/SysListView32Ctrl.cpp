#include "view/SysListView32Ctrl.h"

#include <commctrl.h>

#include <cwchar>

namespace {

constexpr int kTextCapacity = 261;
// The control copies at most this many characters less one, plus a terminator.
constexpr int kTextLimit = 260;

void SetItemState(HWND hWnd, WPARAM index, UINT state, UINT mask) {
    LVITEMW item{};
    item.stateMask = mask;
    item.state = state;
    SendMessageW(hWnd, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}

int NextItem(HWND hWnd, int after, UINT flags) {
    return static_cast<int>(SendMessageW(hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(after), flags));
}

bool IsSelected(HWND hWnd, int index) {
    return index != -1 &&
           (SendMessageW(hWnd, LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_SELECTED) &
            LVIS_SELECTED) != 0;
}

// Deselects the selected items but keep. Looking for selected items is a walk over the items
// from the first, so the walk stops once it has met as many as the view counts; the focused
// item, which is the selected one nearly always, is looked at first, without a walk.
void DeselectAllBut(HWND hWnd, int keep) {
    auto left = static_cast<int>(SendMessageW(hWnd, LVM_GETSELECTEDCOUNT, 0, 0));
    const int focused = NextItem(hWnd, -1, LVNI_FOCUSED);
    const bool focusedSelected = IsSelected(hWnd, focused);
    const auto settle = [&](int selected) {
        if (selected != keep) {
            SetItemState(hWnd, static_cast<WPARAM>(selected), 0, LVIS_SELECTED);
        }
        --left;
    };
    if (focusedSelected) {
        settle(focused);
    }
    for (int i = -1; left > 0 && (i = NextItem(hWnd, i, LVNI_SELECTED)) != -1;) {
        if (i != focused || !focusedSelected) {
            settle(i);
        }
    }
}

// A window that is not a list view answers every list-view message with 0 (DefWindowProc), as if
// it were an empty list; a list view always has a nonzero item spacing.
bool IsListView(HWND hWnd, int count) {
    return count > 0 || SendMessageW(hWnd, LVM_GETITEMSPACING, FALSE, 0) != 0;
}

} // namespace

int CSysListView32Ctrl::GetItemNames(ItemNames& names) {
    if (m_hWnd == nullptr) {
        return -1;
    }
    const auto count = static_cast<int>(SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
    if (!IsListView(m_hWnd, count)) {
        names.clear();
        return -1;
    }
    names.resize(count > 0 ? static_cast<size_t>(count) : 0);
    wchar_t text[kTextCapacity];
    for (int i = 0; i < count; ++i) {
        text[0] = L'\0';
        LVITEMW item{};
        item.iSubItem = 0;
        item.pszText = text;
        item.cchTextMax = kTextLimit;
        SendMessageW(m_hWnd, LVM_GETITEMTEXTW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&item));
        // A control may point pszText at text of its own instead of filling the buffer.
        const wchar_t* read = item.pszText != nullptr ? item.pszText : text;
        names[static_cast<size_t>(i)].assign(read, wcsnlen(read, kTextLimit - 1));
    }
    return 0;
}

int CSysListView32Ctrl::SelectItem(int index, int deselectOthers, int focus) {
    if (m_hWnd == nullptr) {
        return -1;
    }
    if (deselectOthers == 1) {
        DeselectAllBut(m_hWnd, index);
    }
    const UINT state = focus == 1 ? (LVIS_SELECTED | LVIS_FOCUSED) : LVIS_SELECTED;
    SetItemState(m_hWnd, static_cast<WPARAM>(index), state, state);
    if (focus == 1) {
        SendMessageW(m_hWnd, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), 0);
    }
    return 0;
}

int CSysListView32Ctrl::GetItemRect(int index, int, RECT* rect) {
    if (m_hWnd == nullptr || rect == nullptr) {
        return -1;
    }
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    if (SendMessageW(m_hWnd, LVM_GETITEMRECT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(&bounds)) == 0) {
        return -1;
    }
    POINT topLeft{bounds.left, bounds.top};
    POINT bottomRight{bounds.right, bounds.bottom};
    ClientToScreen(m_hWnd, &topLeft);
    ClientToScreen(m_hWnd, &bottomRight);
    *rect = RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    return 0;
}
