#pragma once
// The settings file's keys and value texts, independent of where the values are stored:
// ExchangeSettings walks every key in file order and loads or saves it through a store.
#include <optional>
#include <string>

class CProfileStore {
  public:
    virtual ~CProfileStore() = default;
    // The value of key in section "General", or def when missing; at most capacity - 1
    // characters, as a fixed buffer of capacity characters would hold.
    virtual std::wstring Read(const std::wstring& key, const std::wstring& def,
                              size_t capacity) = 0;
    virtual void Write(const std::wstring& key, const std::wstring& value) = 0;
};

// Most rules a load keeps; a larger count in a hand-edited file loads only these.
constexpr int kMaxTargetListViews = 1000;

// Reads a decimal as "%d" does: optional white space and sign, then digits; the rest is
// ignored. No number, or one outside 32 bits: no value.
std::optional<int32_t> ParseDecimal(const std::wstring& text);

// save false: every key into the variables (missing or malformed keys keep the current value;
// a rule missing a field is left out, and the rule count is the number of rules kept). save
// true: every variable to the store.
void ExchangeSettings(CProfileStore& store, bool save);
