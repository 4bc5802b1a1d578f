#include "ShellFolder.h"

#include <windows.h>

#include <vector>

#include "Corpus.h"
#include "CorpusList.h"
#include "support/UniqueHandle.h"

namespace {

constexpr wchar_t kRoot[] = L"C:\\skimvue-bench";

bool MakeFile(const std::wstring& path) {
    HANDLE created = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    // CreateFileW fails with INVALID_HANDLE_VALUE, which the owner holds as none.
    const unique_handle file(created == INVALID_HANDLE_VALUE ? nullptr : created);
    return static_cast<bool>(file);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

} // namespace

std::wstring ShellFolder(int count) {
    const std::wstring folder = std::wstring(kRoot) + L"\\" + std::to_wstring(count);
    // Beside the folder, not in it: the view shows exactly the count files.
    const std::wstring complete = folder + L".complete";
    if (Exists(complete)) {
        return folder;
    }
    CreateDirectoryW(kRoot, nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    std::vector<std::wstring> names = UniqueFileNames(CCorpus().Names(count > 1 ? count - 1 : 0));
    names.emplace_back(kParkName);
    for (const std::wstring& name : names) {
        if (!MakeFile(folder + L"\\" + name)) {
            return {};
        }
    }
    return MakeFile(complete) ? folder : std::wstring();
}
