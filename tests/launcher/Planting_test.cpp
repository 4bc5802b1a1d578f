// DLLs planted where the standard search order would find them are never loaded: beside the
// launcher (a Downloads folder) and in its current directory under the name of a DLL that the
// hook library imports, and as migemo.dll in a folder that a relative path reaches from the
// current directory. Wine takes its builtin copy of a system DLL before one beside the program;
// the override "oleaut32=n,b" (set by the test's environment, CMakeLists.txt) makes it look
// beside the program first, as Windows does for a DLL outside its KnownDLLs, and the control
// shows that this Wine then takes the planted DLL.
//
// oleaut32.dll stands for the library's imports: under Wine, version.dll and imm32.dll cannot.
// Wine's own user32.dll imports version.dll and loads imm32.dll by name while it starts, so
// under the override every Wine program that uses user32 takes those two from its folder before
// its first instruction, whatever the program does. On Windows user32.dll is a KnownDLL, whose
// dependencies come from System32.
#include <gtest/gtest.h>

#include "harness/WinTestSupport.h"
#include "search/MigemoLibrary.h"
#include "support/UniqueHandle.h"

namespace {

#ifdef _WIN64
constexpr wchar_t kLauncher[] = L"Skimvue64.exe";
#else
constexpr wchar_t kLauncher[] = L"Skimvue.exe";
#endif
class Planting : public ::testing::Test {
  protected:
    // Inherited by the programs started here; the plant reads the variable in each.
    void SetUp() override {
        SetEnvironmentVariableW(L"SKIMVUE_PLANT_MARKERS", m_markers.Path().c_str());
    }

    static void Copy(const std::wstring& name, const std::wstring& dir, const std::wstring& as) {
        ASSERT_TRUE(
            CopyFileW((BinDir() + L'\\' + name).c_str(), (dir + L'\\' + as).c_str(), FALSE));
    }
    static void Plant(const std::wstring& dir, const std::wstring& as) {
        Copy(L"skimvue_plant.dll", dir, as);
    }
    bool Loaded(const std::wstring& name) const {
        const std::wstring marker = m_markers.Path() + L'\\' + name + L".loaded";
        return GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    // Starts a program of m_app in m_cwd; arguments may follow the program's name.
    unique_handle Start(const std::wstring& program) const {
        std::wstring line = L"\"" + m_app.Path() + L'\\' + program;
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        PROCESS_INFORMATION info{};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            m_cwd.Path().c_str(), &startup, &info)) {
            return unique_handle();
        }
        const unique_handle thread(info.hThread);
        return unique_handle(info.hProcess);
    }
    static DWORD WaitExit(HANDLE process) {
        DWORD code = STILL_ACTIVE;
        if (WaitForSingleObject(process, 30000) == WAIT_OBJECT_0) {
            GetExitCodeProcess(process, &code);
        }
        return code;
    }

    CTempDir m_app{L"plant-app"};
    CTempDir m_cwd{L"plant-cwd"};
    CTempDir m_markers{L"plant-markers"};
};

constexpr wchar_t kPlanted[] = L"oleaut32.dll";

TEST_F(Planting, ControlAProgramLoadingByNameTakesThePlantedDll) {
    Copy(L"skimvue_plant_host.exe", m_app.Path(), L"host.exe");
    Plant(m_app.Path(), kPlanted);
    const unique_handle host = Start(std::wstring(L"host.exe\" ") + kPlanted);
    ASSERT_TRUE(host);
    EXPECT_EQ(WaitExit(host.get()), 0u);
    EXPECT_TRUE(Loaded(kPlanted));
}

TEST_F(Planting, TheLauncherAndItsLibraryTakeNoDllFromTheLauncherFolderOrTheCurrentOne) {
    Copy(kLauncher, m_app.Path(), kLauncher);
    const std::wstring library = LibraryPath();
    Copy(library.substr(library.find_last_of(L'\\') + 1), m_app.Path(),
         library.substr(library.find_last_of(L'\\') + 1));
    Plant(m_app.Path(), kPlanted);
    Plant(m_cwd.Path(), kPlanted);
    const unique_handle launcher = Start(std::wstring(kLauncher) + L"\"");
    ASSERT_TRUE(launcher);
    // Its window exists once the library has loaded; then it is told to end.
    HWND window = nullptr;
    for (int wait = 0; wait < 200 && window == nullptr; ++wait) {
        window = FindWindowW(L"SKIMVUE", nullptr);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        window = owner == GetProcessId(launcher.get()) ? window : nullptr;
        Sleep(window == nullptr ? 50 : 0);
    }
    ASSERT_NE(window, nullptr) << "the launcher did not start (exit code "
                               << WaitExit(launcher.get()) << ")";
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitExit(launcher.get()), 0u);
    EXPECT_FALSE(Loaded(kPlanted));
}

// A folder the library is told to load Migemo from (the settings may name one) is used only as
// an absolute path: a relative one would be resolved against whatever the host's current
// directory is.
TEST_F(Planting, MigemoLoadsOnlyFromAnAbsoluteFolder) {
    const std::wstring folder = m_cwd.Path() + L"\\planted";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    Plant(folder, L"migemo.dll");
    wchar_t saved[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryW(m_cwd.Path().c_str()));
    const bool relativeLoaded = LoadMigemoLibrary(L"planted") != nullptr;
    SetCurrentDirectoryW(saved);
    EXPECT_FALSE(relativeLoaded);
    EXPECT_FALSE(Loaded(L"migemo.dll"));
    // The control: the same folder by its full path.
    EXPECT_NE(LoadMigemoLibrary(folder), nullptr);
    EXPECT_TRUE(Loaded(L"migemo.dll"));
}

} // namespace
