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

void ExchangeRuleField(CProfileStore& store, bool save, const std::wstring& key,
                       wchar_t (&field)[kRuleFieldLength]) {
    if (save) {
        field[kRuleFieldLength - 1] = L'\0';
        store.Write(key, field);
        return;
    }
    std::fill(std::begin(field), std::end(field), L'\0');
    const std::wstring text = store.Read(key, L"*", kRuleFieldLength);
    std::copy_n(text.begin(), std::min(text.size(), kRuleFieldLength - 1), field);
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

void ExchangeRuleCount(CProfileStore& store, bool save) {
    ExchangeDecimal(store, save, L"NumberOfTargetListView", NumberOfTargetListView);
    if (save) {
        return;
    }
    // A hand-edited count never stops the launcher nor allocates without bound.
    NumberOfTargetListView = std::clamp(NumberOfTargetListView, 0, kMaxTargetListViews);
    TargetListViews.resize(static_cast<size_t>(NumberOfTargetListView), TargetListView{});
}

void ExchangeRules(CProfileStore& store, bool save) {
    for (size_t i = 0; i < TargetListViews.size(); ++i) {
        const std::wstring prefix = L"TargetListView[" + std::to_wstring(i) + L"].";
        TargetListView& rule = TargetListViews[i];
        ExchangeRuleField(store, save, prefix + L"ClsName", rule.ClsName);
        ExchangeRuleField(store, save, prefix + L"ExeName", rule.ExeName);
        ExchangeRuleField(store, save, prefix + L"RootClsName", rule.RootClsName);
        ExchangeRuleField(store, save, prefix + L"RootOwnerClsName", rule.RootOwnerClsName);
    }
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
    ExchangeRuleCount(store, save);
    ExchangeRules(store, save);
}
