// The Win32 owners with real handles: each kind closes with its own function, whichever way its
// owner lets go, and a failed call's result is no handle.
#include <gtest/gtest.h>

#include <utility>

#include "harness/WinTestSupport.h"
#include "support/UniqueHandle.h"

namespace {

// Opens a handle into an owner, lets go in one way, and asks the system whether the handle still
// exists (checked at once, before another handle can take its value).
template <class Owner, class Open, class Exists>
void ExpectClosedEachWay(Open open, Exists exists) {
    const std::pair<const char*, void (*)(Owner&)> ways[] = {
        {"reset", [](Owner& owner) { owner.reset(); }},
        {"put", [](Owner& owner) { owner.put(); }},
        {"move-assign", [](Owner& owner) { owner = Owner(); }},
        {"destroy", [](Owner& owner) { Owner gone(std::move(owner)); }},
    };
    for (const auto& [way, letGo] : ways) {
        SCOPED_TRACE(way);
        Owner owner;
        open(owner);
        const auto handle = owner.get();
        ASSERT_TRUE(owner);
        ASSERT_TRUE(exists(handle));
        letGo(owner);
        EXPECT_FALSE(exists(handle));
    }
}

bool KernelHandleExists(HANDLE handle) {
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(UniqueHandleWin, EachKindClosesWithItsOwnFunction) {
    CTempDir dir(L"SkimvueUniqueHandle");
    const std::wstring file = dir.Path() + L"\\file.txt";
    ExpectClosedEachWay<unique_handle>(
        [](unique_handle& owner) { owner.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr)); },
        KernelHandleExists);
    ExpectClosedEachWay<unique_hfile>(
        [&](unique_hfile& owner) {
            owner.reset(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        },
        KernelHandleExists);
    ExpectClosedEachWay<unique_hkey>(
        [](unique_hkey& owner) {
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software", 0, KEY_READ, owner.put());
        },
        [](HKEY key) {
            return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
        });
    ExpectClosedEachWay<unique_hwnd>(
        [](unique_hwnd& owner) {
            owner.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr));
        },
        [](HWND window) { return IsWindow(window) != FALSE; });
}

// The calls that fail with INVALID_HANDLE_VALUE hand an owner of their kind no handle.
TEST(UniqueHandleWin, AFailedCallOfTheAllOnesKindsIsNoHandle) {
    const wchar_t missing[] = L"C:\\skimvue-no-such-folder\\file.txt";
    EXPECT_FALSE(unique_hfile(CreateFileW(missing, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                          FILE_ATTRIBUTE_NORMAL, nullptr)));
    WIN32_FIND_DATAW data;
    EXPECT_FALSE(unique_hfind(FindFirstFileW(missing, &data)));
    EXPECT_TRUE(unique_hfind(FindFirstFileW((BinDir() + L"\\*").c_str(), &data)));
}

} // namespace
