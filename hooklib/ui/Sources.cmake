# User interface: the search tooltip and the input dialog, with the library's dialog resources.
list(APPEND SKIMVUE_WINDOWS_SOURCES
  ui/Dpi.cpp
  ui/InfoTip.cpp
  ui/InputDlg.cpp)
list(APPEND SKIMVUE_RESOURCES ui/Skimvue.rc)
# The settings dialog and its window picker; their resources come in through Skimvue.rc.
list(APPEND SKIMVUE_WINDOWS_SOURCES
  ui/DialogFont.cpp
  ui/DialogLayout.cpp
  ui/SettingDlg.cpp
  ui/WindowPicker.cpp)
