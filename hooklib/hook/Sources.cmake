list(APPEND SKIMVUE_WINDOWS_SOURCES
  hook/Attach.cpp
  hook/Discovery.cpp
  hook/HookLifecycle.cpp
  hook/SearchState.cpp
  hook/TipLocator.cpp
  hook/WindowIdentity.cpp)
