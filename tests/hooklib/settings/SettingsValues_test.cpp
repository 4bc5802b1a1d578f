#include "settings/SettingsValues.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <map>
#include <utility>
#include <vector>

#include "settings/SharedBlock.h"
#include "harness/SettingsGuard.h"

namespace {

// An INI section in memory that remembers the order of writes and counts reads.
class CMemoryProfile : public CProfileStore {
  public:
    std::wstring Read(const std::wstring& key, const std::wstring& def, size_t capacity) override {
        ++m_reads;
        const auto it = m_values.find(key);
        const std::wstring value = it == m_values.end() ? def : it->second;
        return value.substr(0, capacity - 1);
    }
    void Write(const std::wstring& key, const std::wstring& value) override {
        m_values[key] = value;
        m_writes.emplace_back(key, value);
    }

    std::map<std::wstring, std::wstring> m_values;
    std::vector<std::pair<std::wstring, std::wstring>> m_writes;
    int m_reads = 0;
};

class SettingsValues : public ::testing::Test {
  protected:
    CSettingsGuard m_guard;
    CMemoryProfile m_profile;
};

TargetListView Rule(const wchar_t* cls, const wchar_t* exe, const wchar_t* root,
                    const wchar_t* owner) {
    TargetListView rule{};
    wcsncpy(rule.ClsName, cls, kRuleFieldLength - 1);
    wcsncpy(rule.ExeName, exe, kRuleFieldLength - 1);
    wcsncpy(rule.RootClsName, root, kRuleFieldLength - 1);
    wcsncpy(rule.RootOwnerClsName, owner, kRuleFieldLength - 1);
    return rule;
}

TEST_F(SettingsValues, DefaultSaveWritesEveryKeyInOrder) {
    ExchangeSettings(m_profile, true);
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"EnableLength", L"3"},
        {L"InputInterval", L"2000"},
        {L"DisableIme", L"0"},
        {L"KeyBind_Next", L"Alt+N"},
        {L"KeyBind_Back", L"Alt+B"},
        {L"KeyBind_SelAll", L"Alt+S"},
        {L"KeyBind_Input", L"Alt+I"},
        {L"ShowToolTip", L"0"},
        {L"ToolTipAutoPopDelay", L"2000"},
        {L"PriorForwardMatch", L"0"},
        {L"SwitchMigemoByShift", L"0"},
        {L"EnableOnExplorer", L"1"},
        {L"EnableOnListView", L"0"},
        {L"EnableOnFileDialog", L"0"},
        {L"FileDialogExcludeExeNames", L""},
        {L"NumberOfTargetListView", L"0"}};
    EXPECT_EQ(m_profile.m_writes, expected);
}

TEST_F(SettingsValues, RulesAreWrittenRuleByRuleInFieldOrder) {
    TargetListViews = {Rule(L"SysListView32", L"a.exe", L"Root", L"*"),
                       Rule(L"*", L"b.exe", L"*", L"Owner")};
    NumberOfTargetListView = 2;
    ExchangeSettings(m_profile, true);
    const std::vector<std::pair<std::wstring, std::wstring>> tail(m_profile.m_writes.end() - 9,
                                                                  m_profile.m_writes.end());
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"NumberOfTargetListView", L"2"},
        {L"TargetListView[0].ClsName", L"SysListView32"},
        {L"TargetListView[0].ExeName", L"a.exe"},
        {L"TargetListView[0].RootClsName", L"Root"},
        {L"TargetListView[0].RootOwnerClsName", L"*"},
        {L"TargetListView[1].ClsName", L"*"},
        {L"TargetListView[1].ExeName", L"b.exe"},
        {L"TargetListView[1].RootClsName", L"*"},
        {L"TargetListView[1].RootOwnerClsName", L"Owner"}};
    EXPECT_EQ(tail, expected);
}

TEST_F(SettingsValues, BindingWithoutModifierIsNotWritten) {
    Shared.KeyBind_Back = L'B';
    ExchangeSettings(m_profile, true);
    EXPECT_EQ(m_profile.m_values.count(L"KeyBind_Back"), 0u);
}

TEST_F(SettingsValues, LoadReadsEveryKey) {
    m_profile.m_values = {{L"EnableLength", L"5"},
                          {L"InputInterval", L"750"},
                          {L"DisableIme", L"1"},
                          {L"KeyBind_Next", L"Ctrl+J"},
                          {L"KeyBind_Back", L"Ctrl+K"},
                          {L"KeyBind_SelAll", L"Alt+A"},
                          {L"KeyBind_Input", L"Ctrl+;"},
                          {L"ShowToolTip", L"1"},
                          {L"ToolTipAutoPopDelay", L"-1"},
                          {L"PriorForwardMatch", L"2"},
                          {L"SwitchMigemoByShift", L"1"},
                          {L"EnableOnExplorer", L"0"},
                          {L"EnableOnListView", L"1"},
                          {L"EnableOnFileDialog", L"1"},
                          {L"FileDialogExcludeExeNames", L"a.exe;\u30c6.exe"},
                          {L"NumberOfTargetListView", L"1"},
                          {L"TargetListView[0].ClsName", L"SysListView32"},
                          {L"TargetListView[0].ExeName", L"\u30c6\u30b9\u30c8.exe"},
                          {L"TargetListView[0].RootClsName", L"#32770"},
                          {L"TargetListView[0].RootOwnerClsName", L"Owner"}};
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(Shared.EnableLength, 5);
    EXPECT_EQ(Shared.InputInterval, 750u);
    EXPECT_EQ(Shared.DisableIme, 1);
    EXPECT_EQ(Shared.KeyBind_Next, KEYBIND_CTRL | L'J');
    EXPECT_EQ(Shared.KeyBind_Back, KEYBIND_CTRL | L'K');
    EXPECT_EQ(Shared.KeyBind_SelAll, KEYBIND_ALT | L'A');
    EXPECT_EQ(Shared.KeyBind_Input, 0x2003Bu);
    EXPECT_EQ(Shared.ShowToolTip, 1);
    EXPECT_EQ(Shared.ToolTipAutoPopDelay, -1);
    EXPECT_EQ(Shared.PriorForwardMatch, 2);
    EXPECT_FALSE(IsOn(Shared.PriorForwardMatch));
    EXPECT_EQ(Shared.SwitchMigemoByShift, 1);
    EXPECT_EQ(EnableOnExplorer, 0);
    EXPECT_EQ(EnableOnListView, 1);
    EXPECT_EQ(Shared.EnableOnFileDialog, 1);
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), L"a.exe;\u30c6.exe");
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_STREQ(TargetListViews[0].ClsName, L"SysListView32");
    EXPECT_STREQ(TargetListViews[0].ExeName, L"\u30c6\u30b9\u30c8.exe");
    EXPECT_STREQ(TargetListViews[0].RootClsName, L"#32770");
    EXPECT_STREQ(TargetListViews[0].RootOwnerClsName, L"Owner");
}

TEST_F(SettingsValues, MissingKeysKeepTheCurrentValues) {
    Shared.EnableLength = 9;
    Shared.KeyBind_Next = KEYBIND_CTRL | L'9';
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(Shared.EnableLength, 9);
    EXPECT_EQ(Shared.KeyBind_Next, KEYBIND_CTRL | L'9');
    EXPECT_EQ(Shared.InputInterval, 2000u);
    EXPECT_EQ(EnableOnExplorer, 1);
    EXPECT_TRUE(TargetListViews.empty());
}

TEST_F(SettingsValues, MalformedDecimalsKeepTheCurrentValueAndTrailingTextIsIgnored) {
    m_profile.m_values = {{L"EnableLength", L"abc"},
                          {L"InputInterval", L"7x"},
                          {L"DisableIme", L"  -1 "},
                          {L"ShowToolTip", L""},
                          {L"ToolTipAutoPopDelay", L"99999999999"},
                          {L"PriorForwardMatch", L"+"},
                          {L"SwitchMigemoByShift", L"\x0001\x00ff"}};
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(Shared.EnableLength, 3);
    EXPECT_EQ(Shared.InputInterval, 7u);
    EXPECT_EQ(Shared.DisableIme, -1);
    EXPECT_EQ(Shared.ShowToolTip, 0);
    EXPECT_EQ(Shared.ToolTipAutoPopDelay, 2000);
    EXPECT_EQ(Shared.PriorForwardMatch, 0);
    EXPECT_EQ(Shared.SwitchMigemoByShift, 0);
}

TEST_F(SettingsValues, MalformedBindingKeepsTheCurrentBinding) {
    m_profile.m_values = {{L"KeyBind_Next", L"Shift+N"}, {L"KeyBind_Back", L"Alt+"}};
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(Shared.KeyBind_Next, 0x1004Eu);
    EXPECT_EQ(Shared.KeyBind_Back, 0x10042u);
}

// Each row leaves out one field of rule 1 of three; an empty field is a field.
TEST_F(SettingsValues, ARuleMissingAFieldIsLeftOut) {
    for (const wchar_t* missing : {L"ClsName", L"ExeName", L"RootClsName", L"RootOwnerClsName"}) {
        m_profile.m_values = {{L"NumberOfTargetListView", L"3"}};
        for (const wchar_t* index : {L"0", L"1", L"2"}) {
            for (const wchar_t* field :
                 {L"ClsName", L"ExeName", L"RootClsName", L"RootOwnerClsName"}) {
                m_profile.m_values[std::wstring(L"TargetListView[") + index + L"]." + field] =
                    std::wstring(index) + field;
            }
        }
        m_profile.m_values[L"TargetListView[0].RootClsName"] = L"";
        m_profile.m_values.erase(std::wstring(L"TargetListView[1].") + missing);
        ExchangeSettings(m_profile, false);
        EXPECT_EQ(NumberOfTargetListView, 2);
        ASSERT_EQ(TargetListViews.size(), 2u);
        EXPECT_STREQ(TargetListViews[0].RootClsName, L"");
        EXPECT_STREQ(TargetListViews[1].ClsName, L"2ClsName");
    }
}

TEST_F(SettingsValues, NegativeRuleCountLoadsNoRule) {
    TargetListViews = {Rule(L"a", L"b", L"c", L"d")};
    m_profile.m_values = {{L"NumberOfTargetListView", L"-5"}};
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(NumberOfTargetListView, 0);
    EXPECT_TRUE(TargetListViews.empty());
}

// The other fields of a rule, as a save writes them.
void PutOtherFields(std::map<std::wstring, std::wstring>& values, const std::wstring& prefix) {
    for (const wchar_t* field : {L"ExeName", L"RootClsName", L"RootOwnerClsName"}) {
        values[prefix + field] = L"*";
    }
}

TEST_F(SettingsValues, HugeRuleCountReadsTheFirstThousandRulesOnly) {
    m_profile.m_values = {{L"NumberOfTargetListView", L"2147483647"},
                          {L"TargetListView[999].ClsName", L"last"},
                          {L"TargetListView[1000].ClsName", L"beyond"}};
    PutOtherFields(m_profile.m_values, L"TargetListView[999].");
    PutOtherFields(m_profile.m_values, L"TargetListView[1000].");
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(NumberOfTargetListView, 1);
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_STREQ(TargetListViews[0].ClsName, L"last");
    EXPECT_LT(m_profile.m_reads, 16 + 4 * kMaxTargetListViews + 1);
}

TEST_F(SettingsValues, LongRuleFieldIsCutToItsBuffer) {
    m_profile.m_values = {{L"NumberOfTargetListView", L"1"},
                          {L"TargetListView[0].ClsName", std::wstring(10000, L'x')}};
    PutOtherFields(m_profile.m_values, L"TargetListView[0].");
    ExchangeSettings(m_profile, false);
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_EQ(std::wstring(TargetListViews[0].ClsName), std::wstring(kRuleFieldLength - 1, L'x'));
}

TEST_F(SettingsValues, LongDecimalValueIsMalformed) {
    m_profile.m_values = {{L"EnableLength", std::wstring(10000, L'9')}};
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(Shared.EnableLength, 3);
}

TEST_F(SettingsValues, SaveThenLoadRestoresEverything) {
    Shared.EnableLength = 4;
    Shared.KeyBind_SelAll = KEYBIND_CTRL | L'@';
    EnableOnListView = 1;
    Shared.EnableOnFileDialog = 1;
    StoreFileDialogExcludeExeNames(L"x.exe;y.exe");
    TargetListViews = {Rule(L"x", L"y", L"z", L"w")};
    NumberOfTargetListView = 1;
    ExchangeSettings(m_profile, true);
    const SharedBlock saved = Shared;
    Shared.EnableLength = 0;
    Shared.KeyBind_SelAll = 0;
    EnableOnListView = 0;
    Shared.EnableOnFileDialog = 0;
    StoreFileDialogExcludeExeNames(L"");
    TargetListViews.clear();
    ExchangeSettings(m_profile, false);
    EXPECT_EQ(Shared.EnableLength, saved.EnableLength);
    EXPECT_EQ(Shared.KeyBind_SelAll, saved.KeyBind_SelAll);
    EXPECT_EQ(EnableOnListView, 1);
    EXPECT_EQ(Shared.EnableOnFileDialog, 1);
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), L"x.exe;y.exe");
    ASSERT_EQ(TargetListViews.size(), 1u);
    EXPECT_STREQ(TargetListViews[0].RootOwnerClsName, L"w");
}

TEST(SettingsValues_ParseDecimal, ReadsLikePercentD) {
    EXPECT_EQ(ParseDecimal(L"42"), 42);
    EXPECT_EQ(ParseDecimal(L" \t-7"), -7);
    EXPECT_EQ(ParseDecimal(L"+8z"), 8);
    EXPECT_EQ(ParseDecimal(L"2147483647"), 2147483647);
    EXPECT_EQ(ParseDecimal(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseDecimal(L"2147483648"), std::nullopt);
    EXPECT_EQ(ParseDecimal(L"-"), std::nullopt);
    EXPECT_EQ(ParseDecimal(L"x1"), std::nullopt);
    EXPECT_EQ(ParseDecimal(L""), std::nullopt);
    EXPECT_EQ(ParseDecimal(L"\uff11"), std::nullopt);
}

TEST(SharedBlock_Defaults, HoldTheInitialValues) {
    EXPECT_EQ(Shared.EnableLength, 3);
    EXPECT_EQ(Shared.InputInterval, 2000u);
    EXPECT_EQ(Shared.DisableIme, 0);
    EXPECT_EQ(Shared.KeyBind_Next, 0x1004Eu);
    EXPECT_EQ(Shared.KeyBind_Back, 0x10042u);
    EXPECT_EQ(Shared.KeyBind_SelAll, 0x10053u);
    EXPECT_EQ(Shared.KeyBind_Input, 0x10049u);
    EXPECT_EQ(Shared.ShowToolTip, 0);
    EXPECT_EQ(Shared.ToolTipAutoPopDelay, 2000);
    EXPECT_EQ(Shared.PriorForwardMatch, 0);
    EXPECT_EQ(Shared.SwitchMigemoByShift, 0);
    EXPECT_EQ(Shared.AttachResult, 0);
    EXPECT_EQ(EnableOnExplorer, 1);
    EXPECT_EQ(EnableOnListView, 0);
    EXPECT_EQ(NumberOfTargetListView, 0);
    EXPECT_EQ(Shared.EnableOnFileDialog, 0);
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), L"");
}

// Whatever another process writes into a field, its accessor gives a value its readers accept:
// each pair is {stored, read}.
template <class T, class Read>
void ExpectReadAs(T SharedBlock::*field, Read read, std::initializer_list<std::pair<T, T>> table) {
    CSettingsGuard guard;
    for (const auto& [stored, effective] : table) {
        Shared.*field = stored;
        EXPECT_EQ(read(), effective) << std::hex << stored;
    }
}

TEST(SharedBlock_Accessors, NumbersAreClampedIntoTheRangeTheyActIn) {
    ExpectReadAs(&SharedBlock::EnableLength, EffectiveEnableLength,
                 {{INT32_MIN, 2}, {-4, 2}, {0, 2}, {1, 2}, {2, 2}, {7, 7}, {INT32_MAX, INT32_MAX}});
    ExpectReadAs(&SharedBlock::InputInterval, EffectiveInputInterval,
                 {{0u, 0u},
                  {2000u, 2000u},
                  {0x7FFFFFFFu, 0x7FFFFFFFu},
                  {0x80000000u, 0x7FFFFFFFu},
                  {UINT32_MAX, 0x7FFFFFFFu}});
    ExpectReadAs(&SharedBlock::ToolTipAutoPopDelay, EffectiveToolTipAutoPopDelay,
                 {{INT32_MIN, 0}, {-1, 0}, {0, 0}, {1, 1}, {INT32_MAX, INT32_MAX}});
}

TEST(SharedBlock_Accessors, OnlyWellFormedKeyBindingsAreBound) {
    for (const auto field : {&SharedBlock::KeyBind_Next, &SharedBlock::KeyBind_Back,
                             &SharedBlock::KeyBind_SelAll, &SharedBlock::KeyBind_Input}) {
        ExpectReadAs<KeyBinding>(field, [field] { return EffectiveKeyBinding(field); },
                                 {{KEYBIND_ALT | L'N', KEYBIND_ALT | L'N'},
                                  {KEYBIND_CTRL | 0xFFFF, KEYBIND_CTRL | 0xFFFF},
                                  {KEYBIND_CTRL, KEYBIND_CTRL},
                                  {L'N', 0},
                                  {KEYBIND_ALT | KEYBIND_CTRL | L'N', 0},
                                  {0xFFFC0000 | KEYBIND_ALT | L'N', 0},
                                  {0x40000 | KEYBIND_CTRL | L'N', 0},
                                  {UINT32_MAX, 0}});
    }
}

TEST(SharedBlock_LibraryDir, StoredWholeOrNotAtAll) {
    CSettingsGuard guard;
    EXPECT_TRUE(StoreLibraryDir(L"C:\\Tools\\Skimvue"));
    EXPECT_EQ(ReadLibraryDir(), L"C:\\Tools\\Skimvue");
    EXPECT_FALSE(StoreLibraryDir(std::wstring(260, L'd')));
    EXPECT_EQ(ReadLibraryDir(), L"");
    EXPECT_TRUE(StoreLibraryDir(std::wstring(259, L'd')));
    EXPECT_EQ(ReadLibraryDir().size(), 259u);
}

TEST(SharedBlock_LibraryDir, UnterminatedValueReadsAsEmpty) {
    CSettingsGuard guard;
    std::fill(std::begin(Shared.LibraryDir), std::end(Shared.LibraryDir), L'z');
    EXPECT_EQ(ReadLibraryDir(), L"");
}

// A list too long for the block keeps the names that fit whole: a name cut in the middle would
// leave another program's dialogs alone. Every such store is as long as the block allows.
TEST(SharedBlock_FileDialogExcludeExeNames, ATooLongListKeepsTheNamesThatFitWhole) {
    CSettingsGuard guard;
    const std::wstring name(99, L'n'); // with its separator, 100 characters
    std::wstring fits;
    while (fits.size() + 100 < kFileDialogExcludeLength) {
        fits += name + L';';
    }
    fits.pop_back();
    EXPECT_TRUE(StoreFileDialogExcludeExeNames(fits));
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), fits);
    EXPECT_FALSE(StoreFileDialogExcludeExeNames(fits + L";" + name + L";" + name));
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), fits);
    EXPECT_FALSE(StoreFileDialogExcludeExeNames(std::wstring(kFileDialogExcludeLength, L'x')));
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), L"");
    std::fill(std::begin(Shared.FileDialogExcludeExeNames),
              std::end(Shared.FileDialogExcludeExeNames), L'z');
    EXPECT_EQ(ReadFileDialogExcludeExeNames(), L"");
}

} // namespace
