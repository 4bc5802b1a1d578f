# The retry back-off is platform-free; the rest talks to the window manager.
list(APPEND SKIMVUE_PORTABLE_SOURCES hook/HookBackoff.cpp)
list(APPEND SKIMVUE_WINDOWS_SOURCES
  hook/Attach.cpp
  hook/Discovery.cpp
  hook/HookLifecycle.cpp
  hook/SearchState.cpp
  hook/TipLocator.cpp
  hook/WindowEvents.cpp
  hook/SubclassChain.cpp)
