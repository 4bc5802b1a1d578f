#pragma once
// Restores every setting when a test ends, so tests that change them stay independent.
#include "settings/SharedBlock.h"

class CSettingsGuard {
  public:
    CSettingsGuard()
        : m_shared(Shared), m_onExplorer(EnableOnExplorer), m_onListView(EnableOnListView),
          m_count(NumberOfTargetListView), m_rules(TargetListViews) {}
    ~CSettingsGuard() {
        Shared = m_shared;
        EnableOnExplorer = m_onExplorer;
        EnableOnListView = m_onListView;
        NumberOfTargetListView = m_count;
        TargetListViews = m_rules;
    }
    CSettingsGuard(const CSettingsGuard&) = delete;
    CSettingsGuard& operator=(const CSettingsGuard&) = delete;

  private:
    SharedBlock m_shared;
    int32_t m_onExplorer;
    int32_t m_onListView;
    int32_t m_count;
    std::vector<TargetListView> m_rules;
};
