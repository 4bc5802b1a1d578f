#pragma once
// The view controller of a standard list-view control, through list-view messages sent on the
// control's own thread (the library lives in its process, so the pointers they carry are valid).
#include "view/WndCtrl.h"

class CSysListView32Ctrl : public CWndCtrl {
  public:
    explicit CSysListView32Ctrl(HWND hWnd) : CWndCtrl(hWnd) {}

    int GetItemNames(ItemNames& names) override;
    // Touches only the items whose state changes: the control sends notifications per item it
    // changes, and a deselect-all would change every item of a large folder one by one.
    int SelectItem(int index, int deselectOthers, int focus) override;
    int GetItemRect(int index, int ignored, RECT* rect) override;
};
