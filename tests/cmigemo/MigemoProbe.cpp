#include "MigemoProbe.h"

#include <pthread.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "migemo.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace {

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct MigemoCloser {
    void operator()(migemo* object) const { migemo_close(object); }
};

void* RunWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return nullptr;
}

} // namespace

ProbeResult ProbeSet(const std::filesystem::path& dir, const DictionarySet& set,
                     const std::vector<std::string>& queries) {
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const DictionaryFile& file : set.m_files) {
        WriteFile(dir / file.m_name, file.m_bytes);
    }
    ProbeResult result;
    const auto start = std::chrono::steady_clock::now();
    {
        const std::unique_ptr<migemo, MigemoCloser> object(
            migemo_open((dir / "migemo-dict").c_str()));
        if (!object) {
            throw std::runtime_error("migemo_open gave no object");
        }
        result.m_opened = migemo_is_enable(object.get()) != 0;
        for (const std::string& query : queries) {
            unsigned char* answer =
                migemo_query(object.get(), reinterpret_cast<const unsigned char*>(query.c_str()));
            if (answer) {
                ++result.m_answers;
                result.m_longestAnswer =
                    std::max(result.m_longestAnswer, std::strlen(reinterpret_cast<char*>(answer)));
            }
            migemo_release(object.get(), answer);
        }
    }
    result.m_ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return result;
}

const std::vector<std::string>& RealDictionaryLines() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> read;
        std::istringstream dict(ReadFile(SKIMVUE_CMIGEMO_DICT "/migemo-dict"));
        for (std::string line; std::getline(dict, line);) {
            if (!line.empty() && line[0] != ';') {
                read.push_back(line);
            }
        }
        return read;
    }();
    return lines;
}

const std::vector<DictionaryFile>& RealTables() {
    static const std::vector<DictionaryFile> tables = [] {
        std::vector<DictionaryFile> read;
        for (const char* name : {"roma2hira.dat", "hira2kata.dat", "han2zen.dat", "zen2han.dat"}) {
            read.push_back({name, ReadFile(std::filesystem::path(SKIMVUE_CMIGEMO_DICT) / name)});
        }
        return read;
    }();
    return tables;
}

void RunOnThreadOf1MB(const std::function<void()>& work) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 1 << 20);
    pthread_t thread;
    const int created =
        pthread_create(&thread, &attributes, RunWork, const_cast<std::function<void()>*>(&work));
    pthread_attr_destroy(&attributes);
    if (created != 0) {
        throw std::runtime_error("cannot start a thread");
    }
    pthread_join(thread, nullptr);
}

bool LeaksFound() {
#if defined(__SANITIZE_ADDRESS__)
    return __lsan_do_recoverable_leak_check() != 0;
#else
    return false;
#endif
}
