// The soak benchmark's target program, run in a process of its own for the whole soak:
//   skimvue_soak_target --title T --class C --names N
// A hidden control window titled T opens frames of class C on request, each with a list view of
// N file names (CorpusList.h), and keeps the counts of SoakProtocol.h: every character typed into
// a list view, those whose handling selected another item (the selection goes back to the park
// item after each key, so every key has one to change), and per list view the attach handshakes
// it received. The list views run a procedure of the program's own below whatever attaches, so
// the frame can tell whether something did. Closing the control window ends the program.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <map>
#include <string>

#include "CorpusList.h"
#include "SoakProtocol.h"
#include "support/Messages.h"
#include "support/UniqueHandle.h"

namespace {

constexpr wchar_t kControlClass[] = L"SkimvueSoakControl";

struct Options {
    std::wstring m_title = L"Skimvue soak target";
    std::wstring m_frameClass = L"SkimvueSoakFrame";
    int m_names = 200;
};

struct ListState {
    int m_parkIndex = 0;
    LRESULT m_offers = 0;
};

// The character being handled and whether its handling selected another item.
struct PendingKey {
    HWND m_list = nullptr;
    bool m_selected = false;
};

Options Settings;
// Every list view's class procedure is the same one.
WNDPROC ListViewProc = nullptr;
std::map<HWND, ListState> Lists;
PendingKey Key;
LRESULT Keys = 0;
LRESULT SelectingKeys = 0;
int Opened = 0;

ListState* StateOf(HWND list) {
    const auto found = Lists.find(list);
    return found != Lists.end() ? &found->second : nullptr;
}

LRESULT CALLBACK ListProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (ListState* state = StateOf(window);
        state != nullptr && message == WM_HOOK_ATTACH_LISTVIEW) {
        ++state->m_offers;
    }
    return CallWindowProcW(ListViewProc, window, message, wParam, lParam);
}

HWND ListOf(HWND frame) {
    return GetWindow(frame, GW_CHILD);
}

LRESULT OnFrameNotify(const NMHDR& header) {
    const ListState* state = StateOf(header.hwndFrom);
    if (header.code == LVN_ITEMCHANGED && header.hwndFrom == Key.m_list && state != nullptr &&
        SelectsAnotherItem(reinterpret_cast<const NMLISTVIEW&>(header), state->m_parkIndex)) {
        Key.m_selected = true;
    }
    return 0;
}

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY:
        return OnFrameNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_SOAK_IS_ATTACHED:
        return GetWindowLongPtrW(ListOf(window), GWLP_WNDPROC) !=
               reinterpret_cast<LONG_PTR>(ListProc);
    case WM_SOAK_OFFERS: {
        const ListState* state = StateOf(ListOf(window));
        return state != nullptr ? state->m_offers : 0;
    }
    case WM_DESTROY:
        Lists.erase(ListOf(window));
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

// Frames overlap in steps, each wholly on the screen.
HWND OpenFrame() {
    const int step = 24 * (Opened++ % 12);
    ListViewHostLook look = CorpusListLook(RECT{40 + step, 40 + step, 460 + step, 360 + step});
    look.m_frameClass = Settings.m_frameClass;
    look.m_frameProc = FrameProc;
    look.m_frameStyle = WS_OVERLAPPEDWINDOW;
    const int parkIndex = ParkIndex(Settings.m_names);
    const ListViewHost host =
        CreateListViewHost(look, CorpusListNames(Settings.m_names), parkIndex);
    if (host.m_frame == nullptr) {
        return nullptr;
    }
    Lists[host.m_list] = ListState{parkIndex, 0};
    ListViewProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(host.m_list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
    // Shown once its list exists, which the activation then gives the focus.
    ShowWindow(host.m_frame, SW_SHOW);
    SetWindowTextW(host.m_frame, (Settings.m_title + L" " + std::to_wstring(Opened)).c_str());
    return host.m_frame;
}

LRESULT Count(WPARAM which) {
    switch (which) {
    case kSoakKeys:
        return Keys;
    case kSoakSelectingKeys:
        return SelectingKeys;
    case kSoakOpenWindows:
        return static_cast<LRESULT>(Lists.size());
    default:
        return -1;
    }
}

LRESULT CALLBACK ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_SOAK_OPEN:
        return reinterpret_cast<LRESULT>(OpenFrame());
    case WM_SOAK_COUNT:
        return Count(wParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

Options ParseOptions() {
    Options options;
    int argc = 0;
    const unique_argv args(CommandLineToArgvW(GetCommandLineW(), &argc));
    LPWSTR* argv = args.get();
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::wstring name = argv[i];
        if (name == L"--title") {
            options.m_title = argv[i + 1];
        } else if (name == L"--class") {
            options.m_frameClass = argv[i + 1];
        } else if (name == L"--names") {
            options.m_names = _wtoi(argv[i + 1]);
        }
    }
    return options;
}

bool Register(HINSTANCE instance, const wchar_t* className, WNDPROC proc) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = className;
    return RegisterClassW(&wc) != 0;
}

// Hands every message on, counting the characters typed into the list views and parking the
// selection again after each.
int RunCountingMessageLoop() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        const bool typed = msg.message == WM_CHAR && Lists.contains(msg.hwnd);
        Key = PendingKey{typed ? msg.hwnd : nullptr, false};
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        if (const ListState* state = typed ? StateOf(msg.hwnd) : nullptr; state != nullptr) {
            ++Keys;
            SelectingKeys += Key.m_selected ? 1 : 0;
            ParkSelection(msg.hwnd, state->m_parkIndex);
        }
        Key = PendingKey{};
    }
    return static_cast<int>(msg.wParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    Settings = ParseOptions();
    if (Settings.m_names < 1) {
        return 2;
    }
    if (!Register(instance, kControlClass, ControlProc)) {
        return 2;
    }
    // Found by its title once it can take requests.
    if (CreateWindowExW(0, kControlClass, Settings.m_title.c_str(), WS_OVERLAPPED, 0, 0, 10, 10,
                        nullptr, nullptr, instance, nullptr) == nullptr) {
        return 2;
    }
    return RunCountingMessageLoop();
}
