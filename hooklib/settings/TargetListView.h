#pragma once
// One list-view rule: the window's class, its process's executable file name, the class of its
// top-level window and the class of its root owner; "*" in a field matches anything.
#include <cstddef>

constexpr size_t kRuleFieldLength = 261;

// The fields are named as the rule's INI keys, not as members.
// NOLINTBEGIN(readability-identifier-naming)
struct TargetListView {
    wchar_t ClsName[kRuleFieldLength];
    wchar_t ExeName[kRuleFieldLength];
    wchar_t RootClsName[kRuleFieldLength];
    wchar_t RootOwnerClsName[kRuleFieldLength];
};
// NOLINTEND(readability-identifier-naming)
