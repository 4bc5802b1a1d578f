// Reads every PE file of a Windows download and fails unless each is hardened as the build
// makes it (PeImage.h), imports only the DLLs its row allows, and names by its debug link a file
// of symbols that lies in the symbols folder beside the build.
//   skimvue_pe_check DOWNLOAD_FOLDER SYMBOLS_FOLDER ALLOW_LIST
// The allow list has a row per shipped PE file (or several): its name, then DLLs it may import.
#include "PeImage.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::map<std::string, std::vector<std::string>> ReadAllowList(const fs::path& path) {
    std::map<std::string, std::vector<std::string>> rows;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line.substr(0, line.find('#')));
        std::string file;
        if (words >> file) {
            std::vector<std::string>& allowed = rows[Lower(file)];
            for (std::string dll; words >> dll;) {
                allowed.push_back(Lower(dll));
            }
        }
    }
    return rows;
}

bool IsPeName(const fs::path& path) {
    const std::string extension = Lower(path.extension().string());
    return extension == ".exe" || extension == ".dll";
}

std::vector<std::string> Faults(const fs::path& file, const fs::path& symbols,
                                const std::vector<std::string>& allowed) {
    const std::optional<PeImage> image = ReadPeImage(ReadAll(file));
    if (!image) {
        return {"not a PE file"};
    }
    std::vector<std::string> faults = HardeningFaults(*image, allowed);
    if (image->m_debugLink.empty() || !fs::is_regular_file(symbols / image->m_debugLink)) {
        faults.push_back("no debug link to a file in " + symbols.string());
    }
    return faults;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: skimvue_pe_check DOWNLOAD_FOLDER SYMBOLS_FOLDER ALLOW_LIST\n";
        return 2;
    }
    if (!fs::is_directory(argv[1])) {
        std::cout << argv[1] << ": no download here; build it first\n";
        return 1;
    }
    std::map<std::string, std::vector<std::string>> rows = ReadAllowList(argv[3]);
    int failures = 0;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argv[1])) {
        if (!entry.is_regular_file() || !IsPeName(entry.path())) {
            continue;
        }
        const std::string name = Lower(entry.path().filename().string());
        const auto row = rows.find(name);
        std::vector<std::string> faults =
            row == rows.end() ? std::vector<std::string>{"shipped but not in the allow list"}
                              : Faults(entry.path(), argv[2], row->second);
        if (row != rows.end()) {
            rows.erase(row);
        }
        for (const std::string& fault : faults) {
            std::cout << entry.path().string() << ": " << fault << '\n';
        }
        std::cout << entry.path().string() << (faults.empty() ? ": ok\n" : ": FAILED\n");
        failures += faults.empty() ? 0 : 1;
    }
    for (const auto& [name, allowed] : rows) {
        std::cout << name << ": in the allow list but not shipped\n";
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
