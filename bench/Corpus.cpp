#include "Corpus.h"

#include <cwctype>
#include <unordered_set>

std::vector<std::wstring> CCorpus::Names(size_t count) {
    static const std::vector<std::wstring> english{L"report",   L"invoice", L"draft",   L"meeting",
                                                   L"notes",    L"budget",  L"photo",   L"summary",
                                                   L"Readme",   L"backup",  L"Project", L"minutes",
                                                   L"schedule", L"design",  L"archive", L"data"};
    static const std::vector<std::wstring> japanese{
        L"\u691c\u7d22\u7d50\u679c", L"\u65e5\u672c",
        L"\u4f1a\u8b70\u8cc7\u6599", L"\u5831\u544a\u66f8",
        L"\u3051\u3093\u3055\u304f", L"\u30ab\u30bf\u30ed\u30b0",
        L"\u898b\u7a4d\u66f8",       L"\u5199\u771f",
        L"\u4e88\u5b9a\u8868",       L"\u8b70\u4e8b\u9332"};
    static const std::vector<std::wstring> extensions{L".txt", L".docx", L".xlsx", L".pdf",
                                                      L".jpg", L".cpp",  L".md",   L".zip"};
    std::vector<std::wstring> names;
    names.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        std::wstring name = (Next() % 3 == 0) ? Pick(japanese) : Pick(english);
        name += L"_" + std::to_wstring(2000 + Next() % 30) + L"_";
        name += (Next() % 2 == 0) ? Pick(japanese) : Pick(english);
        name += Pick(extensions);
        names.push_back(std::move(name));
    }
    return names;
}

namespace {

std::wstring Folded(std::wstring name) {
    for (wchar_t& c : name) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return name;
}

std::wstring Numbered(const std::wstring& name, int number) {
    const size_t dot = name.rfind(L'.');
    const size_t stem = dot == std::wstring::npos ? name.size() : dot;
    return name.substr(0, stem) + L" (" + std::to_wstring(number) + L")" + name.substr(stem);
}

} // namespace

std::vector<std::wstring> UniqueFileNames(const std::vector<std::wstring>& names) {
    std::unordered_set<std::wstring> taken;
    std::vector<std::wstring> unique;
    unique.reserve(names.size());
    for (const std::wstring& name : names) {
        std::wstring candidate = name;
        for (int number = 2; !taken.insert(Folded(candidate)).second; ++number) {
            candidate = Numbered(name, number);
        }
        unique.push_back(std::move(candidate));
    }
    return unique;
}
