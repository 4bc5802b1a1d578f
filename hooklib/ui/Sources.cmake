# User interface: the search tooltip and the input dialog, with the library's dialog resources.
list(APPEND SKIMVUE_WINDOWS_SOURCES
  ui/InfoTip.cpp
  ui/InputDlg.cpp)
list(APPEND SKIMVUE_RESOURCES ui/Skimvue.rc)
