#include "settings/SettingsValues.h"

#include <algorithm>
#include <cwctype>

#include "settings/KeyBinding.h"
#include "settings/SharedBlock.h"

namespace {

constexpr size_t kDecimalCapacity = 1025;

template <class T>
void ExchangeDecimal(CProfileStore& store, bool save, const wchar_t* key, T& value) {
    const std::wstring text = std::to_wstring(static_cast<int32_t>(value));
    if (save) {
        store.Write(key, text);
        return;
    }
    if (const auto parsed = ParseDecimal(store.Read(key, text, kDecimalCapacity))) {
        value = static_cast<T>(*parsed);
    }
}

void ExchangeBinding(CProfileStore& store, bool save, const wchar_t* key, KeyBinding& binding) {
    if (save) {
        if (const auto text = FormatKeyBinding(binding)) {
            store.Write(key, *text);
        }
        return;
    }
    binding =
        ParseKeyBinding(store.Read(key, DefaultKeyBindingText(binding), kDecimalCapacity), binding);
}

// A default no stored value can equal: the profile reader ends a value at the line's end.
constexpr wchar_t kMissing[] = L"\n";

// Load: the field's text, cut to the field; false when the key is missing.
bool ReadRuleField(CProfileStore& store, const std::wstring& key,
                   wchar_t (&field)[kRuleFieldLength]) {
    std::fill(std::begin(field), std::end(field), L'\0');
    const std::wstring text = store.Read(key, kMissing, kRuleFieldLength);
    std::copy_n(text.begin(), std::min(text.size(), kRuleFieldLength - 1), field);
    return text != kMissing;
}

void WriteRuleField(CProfileStore& store, const std::wstring& key,
                    wchar_t (&field)[kRuleFieldLength]) {
    field[kRuleFieldLength - 1] = L'\0';
    store.Write(key, field);
}

void ExchangeExcludeList(CProfileStore& store, bool save) {
    constexpr wchar_t kKey[] = L"FileDialogExcludeExeNames";
    if (save) {
        store.Write(kKey, ReadFileDialogExcludeExeNames());
        return;
    }
    StoreFileDialogExcludeExeNames(
        store.Read(kKey, ReadFileDialogExcludeExeNames(), kFileDialogExcludeLength));
}

std::wstring RulePrefix(size_t index) {
    return L"TargetListView[" + std::to_wstring(index) + L"].";
}

void SaveRules(CProfileStore& store) {
    ExchangeDecimal(store, true, L"NumberOfTargetListView", NumberOfTargetListView);
    for (size_t i = 0; i < TargetListViews.size(); ++i) {
        const std::wstring prefix = RulePrefix(i);
        TargetListView& rule = TargetListViews[i];
        WriteRuleField(store, prefix + L"ClsName", rule.ClsName);
        WriteRuleField(store, prefix + L"ExeName", rule.ExeName);
        WriteRuleField(store, prefix + L"RootClsName", rule.RootClsName);
        WriteRuleField(store, prefix + L"RootOwnerClsName", rule.RootOwnerClsName);
    }
}

// A rule lacking a field is left out: read as "*", the field would match every window, and a
// rule cut short (a hand edit, an older save that failed midway) would hook the whole desktop.
void LoadRules(CProfileStore& store) {
    ExchangeDecimal(store, false, L"NumberOfTargetListView", NumberOfTargetListView);
    // A hand-edited count never stops the launcher nor reads without bound.
    const int count = std::clamp(NumberOfTargetListView, 0, kMaxTargetListViews);
    TargetListViews.clear();
    for (int i = 0; i < count; ++i) {
        const std::wstring prefix = RulePrefix(static_cast<size_t>(i));
        TargetListView rule{};
        if (ReadRuleField(store, prefix + L"ClsName", rule.ClsName) &&
            ReadRuleField(store, prefix + L"ExeName", rule.ExeName) &&
            ReadRuleField(store, prefix + L"RootClsName", rule.RootClsName) &&
            ReadRuleField(store, prefix + L"RootOwnerClsName", rule.RootOwnerClsName)) {
            TargetListViews.push_back(rule);
        }
    }
    NumberOfTargetListView = static_cast<int>(TargetListViews.size());
}

} // namespace

std::optional<int32_t> ParseDecimal(const std::wstring& text) {
    size_t i = 0;
    while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    const size_t digitsStart = i;
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > int64_t{INT32_MAX} + 1) {
            return std::nullopt;
        }
    }
    if (i == digitsStart) {
        return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > INT32_MAX || value < INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
}

void ExchangeSettings(CProfileStore& store, bool save) {
    ExchangeDecimal(store, save, L"EnableLength", Shared.EnableLength);
    ExchangeDecimal(store, save, L"InputInterval", Shared.InputInterval);
    ExchangeDecimal(store, save, L"DisableIme", Shared.DisableIme);
    ExchangeBinding(store, save, L"KeyBind_Next", Shared.KeyBind_Next);
    ExchangeBinding(store, save, L"KeyBind_Back", Shared.KeyBind_Back);
    ExchangeBinding(store, save, L"KeyBind_SelAll", Shared.KeyBind_SelAll);
    ExchangeBinding(store, save, L"KeyBind_Input", Shared.KeyBind_Input);
    ExchangeDecimal(store, save, L"ShowToolTip", Shared.ShowToolTip);
    ExchangeDecimal(store, save, L"ToolTipAutoPopDelay", Shared.ToolTipAutoPopDelay);
    ExchangeDecimal(store, save, L"PriorForwardMatch", Shared.PriorForwardMatch);
    ExchangeDecimal(store, save, L"SwitchMigemoByShift", Shared.SwitchMigemoByShift);
    ExchangeDecimal(store, save, L"EnableOnExplorer", EnableOnExplorer);
    ExchangeDecimal(store, save, L"EnableOnListView", EnableOnListView);
    ExchangeDecimal(store, save, L"EnableOnFileDialog", Shared.EnableOnFileDialog);
    ExchangeExcludeList(store, save);
    if (save) {
        SaveRules(store);
    } else {
        LoadRules(store);
    }
}
