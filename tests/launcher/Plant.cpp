// A DLL that records being loaded. Copied under the name of a DLL that a program might take
// from the wrong folder, it creates "<its own file name>.loaded" in the folder that
// SKIMVUE_PLANT_MARKERS names. It exports what the hook library imports from oleaut32.dll, so a
// program that imports it under that name still starts and the loader runs this DllMain; none of
// them does anything.
#include <windows.h>

#include <string>

extern "C" {
__declspec(dllexport) wchar_t* WINAPI SysAllocStringLen(const wchar_t*, UINT) {
    return nullptr;
}
__declspec(dllexport) void WINAPI SysFreeString(wchar_t*) {}
__declspec(dllexport) void WINAPI VariantInit(void*) {}
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason != DLL_PROCESS_ATTACH) {
        return TRUE;
    }
    wchar_t markers[MAX_PATH] = {};
    wchar_t self[MAX_PATH] = {};
    const DWORD markersLength =
        GetEnvironmentVariableW(L"SKIMVUE_PLANT_MARKERS", markers, MAX_PATH);
    const DWORD selfLength = GetModuleFileNameW(instance, self, MAX_PATH);
    if (markersLength == 0 || markersLength >= MAX_PATH || selfLength == 0 ||
        selfLength >= MAX_PATH) {
        return TRUE;
    }
    const std::wstring path(self);
    const std::wstring marker =
        std::wstring(markers) + L'\\' + path.substr(path.find_last_of(L'\\') + 1) + L".loaded";
    CloseHandle(CreateFileW(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return TRUE;
}
