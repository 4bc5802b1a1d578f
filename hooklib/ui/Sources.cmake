# User interface: the search tooltip and the input dialog, with the library's dialog resources.
list(APPEND SKIMVUE_WINDOWS_SOURCES
  ui/Dpi.cpp
  ui/InfoTip.cpp
  ui/LiveRegion.cpp
  ui/InputDlg.cpp)
list(APPEND SKIMVUE_RESOURCES ui/Skimvue.rc)
# windres writes no dependency file: name what Skimvue.rc pulls in, so editing a dialog rebuilds
# the library's resources.
file(GLOB SKIMVUE_UI_ICONS CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.ico
     ${CMAKE_CURRENT_LIST_DIR}/icons/*.ico)
set_source_files_properties(ui/Skimvue.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_LIST_DIR}/SettingDlg.rc;${CMAKE_CURRENT_LIST_DIR}/Resource.h;${CMAKE_CURRENT_LIST_DIR}/SettingDlgResource.h;${SKIMVUE_UI_ICONS}")
# The settings dialog and its window picker; their resources come in through Skimvue.rc.
list(APPEND SKIMVUE_WINDOWS_SOURCES
  ui/DialogFont.cpp
  ui/DialogLayout.cpp
  ui/ControlHints.cpp
  ui/RuleListEditor.cpp
  ui/SettingDlg.cpp
  ui/WindowPicker.cpp)
