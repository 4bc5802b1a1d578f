list(APPEND SKIMVUE_WINDOWS_SOURCES
  view/ExplorerCtrl.cpp
  view/UIATools.cpp)
