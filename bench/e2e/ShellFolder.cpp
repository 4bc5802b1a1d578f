#include "ShellFolder.h"

#include <windows.h>

#include <vector>

#include "Corpus.h"
#include "CorpusList.h"
#include "harness/WinTestSupport.h"
#include "harness/XInput.h"
#include "support/UniqueHandle.h"

namespace {

constexpr wchar_t kRoot[] = L"C:\\skimvue-bench";

bool MakeFile(const std::wstring& path) {
    const unique_hfile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    return static_cast<bool>(file);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Wine looks for a name in another letter case through the whole folder before it creates a
// file, so filling a folder of 100,000 files through CreateFileW takes hours there; touch
// creates them on the Unix side in seconds (Wine reads the UTF-8 names back as they were).
bool MakeFilesUnix(const std::wstring& folder, const std::vector<std::wstring>& names) {
    const std::wstring unixFolder = UnixPath(folder);
    if (unixFolder.empty()) {
        return false;
    }
    std::string paths;
    for (const std::wstring& name : names) {
        paths += ToUtf8(unixFolder + L"/" + name) + "\n";
    }
    const std::wstring list = folder + L".names";
    WriteFileBytes(list, paths);
    const std::wstring unixList = UnixPath(list);
    const bool made = !unixList.empty() &&
                      RunUnixProgram(L"/usr/bin/xargs", L"-d '\\n' -a '" + unixList + L"' touch");
    DeleteFileW(list.c_str());
    return made;
}

bool MakeFiles(const std::wstring& folder, const std::vector<std::wstring>& names) {
    if (MakeFilesUnix(folder, names)) {
        return true;
    }
    for (const std::wstring& name : names) {
        if (!MakeFile(folder + L"\\" + name)) {
            return false;
        }
    }
    return true;
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
    return MakeFiles(folder, names) && MakeFile(complete) ? folder : std::wstring();
}
