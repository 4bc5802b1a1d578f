#pragma once
// Runs dictionary sets through the patched Migemo library as a host would: written into a
// folder, opened with migemo_open, asked queries, closed.
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "DictionaryGenerator.h"

struct ProbeResult {
    bool m_opened = false;
    size_t m_answers = 0;
    size_t m_longestAnswer = 0;
    double m_ms = 0;
};

// Writes set into dir (the files an earlier set left there go first), opens its migemo-dict,
// asks every query and closes it. An answer is read to its end, so a string the library failed
// to terminate shows under AddressSanitizer.
ProbeResult ProbeSet(const std::filesystem::path& dir, const DictionarySet& set,
                     const std::vector<std::string>& queries);

// The lines of the real cp932 migemo-dict (comments left out) and its four tables, read once.
const std::vector<std::string>& RealDictionaryLines();
const std::vector<DictionaryFile>& RealTables();

// Runs work on a thread of a 1 MB stack, as the host's worker threads have.
void RunOnThreadOf1MB(const std::function<void()>& work);

// Under LeakSanitizer, true when memory is unreachable now (the report is printed); else false.
bool LeaksFound();
