#pragma once
// The list view of the benchmarks' target programs: report style, one column, the corpus's file
// names (Corpus.h) and one park item that holds the selection between keys, so every key has a
// selection to change.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "harness/ListViewHost.h"

// A name that no typed text matches, in the middle of the list, as one selected item of a folder
// usually is somewhere.
constexpr wchar_t kParkName[] = L"00000000_0000.000";
inline int ParkIndex(int itemCount) {
    return itemCount / 2;
}

// A host of the frame rectangle bounds whose list view shows the selection also without the
// focus, as a folder view does.
ListViewHostLook CorpusListLook(const RECT& bounds);
// count names, the park item among them at ParkIndex(count).
std::vector<std::wstring> CorpusListNames(int count);
// Leaves the park item as the one selected and focused item, touching only the items whose
// state changes (a deselect-all would cost the host what the benchmarks measure separately).
void ParkSelection(HWND list, int parkIndex);
// True for the change that selects another item than the park item: what a key caused, where
// the park item's own changes and every deselection are not.
bool SelectsAnotherItem(const NMLISTVIEW& change, int parkIndex);
