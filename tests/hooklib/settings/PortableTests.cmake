list(APPEND SKIMVUE_PORTABLE_TESTS
  hooklib/settings/KeyBinding_test.cpp
  hooklib/settings/NumberField_test.cpp
  hooklib/settings/ReservedKeys_test.cpp
  hooklib/settings/SettingsValues_test.cpp)
