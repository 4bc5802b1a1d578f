// A second process for the tests:
//   skimvue_probe shared-read DLL          prints EnableLength of DLL's shared block
//   skimvue_probe shared-write DLL VALUE   stores VALUE into EnableLength of that block
//   skimvue_probe eventlog TEXT            writes one error and one information entry
#include <windows.h>

#include <cstdio>
#include <string>

#include "harness/WinTestSupport.h"
#include "settings/SharedBlock.h"
#include "support/EventLog.h"

namespace {

SharedBlock* LoadSharedBlock(const wchar_t* dll) {
    HMODULE module = LoadLibraryW(dll);
    if (module == nullptr) {
        return nullptr;
    }
    return static_cast<SharedBlock*>(FindSection(module, kSharedSectionName).m_address);
}

int SharedRead(const wchar_t* dll) {
    SharedBlock* block = LoadSharedBlock(dll);
    if (block == nullptr) {
        return 2;
    }
    std::printf("%d\n", block->EnableLength);
    return 0;
}

int SharedWrite(const wchar_t* dll, const wchar_t* value) {
    SharedBlock* block = LoadSharedBlock(dll);
    if (block == nullptr) {
        return 2;
    }
    block->EnableLength = _wtoi(value);
    return 0;
}

int EventLog(const wchar_t* text) {
    const std::string narrow = ToUtf8(text);
    const int error = ReportErrorEvent(narrow.c_str());
    const int info = ReportInfoEvent(text);
    std::printf("error=%d info=%d\n", error, info);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"shared-read" && argc == 3) {
        return SharedRead(argv[2]);
    }
    if (mode == L"shared-write" && argc == 4) {
        return SharedWrite(argv[2], argv[3]);
    }
    if (mode == L"eventlog" && argc == 3) {
        return EventLog(argv[2]);
    }
    std::fprintf(stderr,
                 "usage: skimvue_probe shared-read DLL | shared-write DLL VALUE | eventlog TEXT\n");
    return 1;
}
