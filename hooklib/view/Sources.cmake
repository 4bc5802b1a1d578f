list(APPEND SKIMVUE_WINDOWS_SOURCES
  view/SysListView32Ctrl.cpp
  view/ExplorerCtrl.cpp
  view/ShellBinding.cpp
  view/ShellItems.cpp
  view/UIATools.cpp)
