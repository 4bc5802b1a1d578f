#include "Corpus.h"

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
