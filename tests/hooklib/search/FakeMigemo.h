#pragma once
// A stand-in Migemo library that records how the adapter calls it. One build has every entry
// point; each other build lacks one of them.

struct FakeMigemoCalls {
    long m_opens;
    long m_closes;
    long m_queries;
    long m_releases;
    long m_setOperators;
};

// The query for which the fake's migemo_query returns null.
constexpr char kFakeNullQuery[] = "null";

// Exported by the fake besides the Migemo entry points.
using FakeMigemoCallsProc = const FakeMigemoCalls*(__cdecl*)();
using FakeMigemoDictionaryProc = const char*(__cdecl*)();
