#pragma once
// What the search needs from a view: the names of all items in the order the view shows them,
// the selection of an item by its position in that list, and the view's window. A controller
// keeps what it needs to find the item of a position again (a list view's index, a shell view's
// item ID list) from the read of the names until the next one.
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
using HWND = void*;
#endif

using ItemNames = std::vector<std::wstring>;

class CWndCtrl {
  public:
    explicit CWndCtrl(HWND hWnd) : m_hWnd(hWnd) {}
    virtual ~CWndCtrl() = default;
    CWndCtrl(const CWndCtrl&) = delete;
    CWndCtrl& operator=(const CWndCtrl&) = delete;

    HWND GetWnd() const { return m_hWnd; }
    // 0 when the names were read, -1 when the view's names cannot be read (the search then
    // leaves typed keys to the window). An item read with an empty text gets an empty entry, so
    // a stale name never stands for another item.
    virtual int GetItemNames(ItemNames& names) = 0;
    // deselectOthers 1: the item becomes the only selected one; focus 1: it also gets the focus
    // and is scrolled into view. 0 on success, -1 on failure.
    virtual int SelectItem(int index, int deselectOthers, int focus) = 0;
    // Adds the items at these positions to the selection; focus stays where it is. A view that
    // can select many items at once does it in one request. 0, or -1 when any selection failed.
    virtual int SelectItems(const std::vector<int>& indices) {
        int result = 0;
        for (const int index : indices) {
            result = SelectItem(index, 0, 0) == 0 ? result : -1;
        }
        return result;
    }
    // The text the view shows for the item at a position, by which UI Automation finds it: the
    // name read for it unless the view shows it otherwise (a hidden extension).
    virtual std::wstring GetItemLabel(int index, const std::wstring& name) const {
        (void)index;
        return name;
    }
    // Every message the attached window receives, before it goes on: a controller that keeps the
    // names between searches learns here that the window's items changed.
    virtual void NoteMessage(unsigned message) { (void)message; }
#ifdef _WIN32
    // The item's bounds in screen pixels, where the view can tell them at once on its own
    // thread: 0 with rect set; -1 when only a slower way (UI Automation) can find them.
    virtual int GetItemRect(int index, int ignored, RECT* rect) {
        (void)index, (void)ignored, (void)rect;
        return -1;
    }
    // A message meant for the controller itself (its timer, the shell's change notifications),
    // which the window never sees: true when it was one, and it was handled.
    virtual bool HandleOwnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        (void)message, (void)wParam, (void)lParam;
        return false;
    }
#endif

  protected:
    HWND m_hWnd;
};
