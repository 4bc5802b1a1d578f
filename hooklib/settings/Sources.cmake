list(APPEND SKIMVUE_PORTABLE_SOURCES
  settings/SharedBlock.cpp
  settings/KeyBinding.cpp
  settings/ReservedKeys.cpp
  settings/NumberField.cpp
  settings/SettingsValues.cpp)
list(APPEND SKIMVUE_WINDOWS_SOURCES
  settings/ParamFile.cpp
  settings/KeyBindingCombo.cpp)
