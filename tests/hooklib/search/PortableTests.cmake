# Windows test programs of this subsystem.
list(APPEND SKIMVUE_PORTABLE_TESTS
  hooklib/search/Pattern_test.cpp)
# Migemo adapter with the real library and dictionary.
list(APPEND SKIMVUE_PORTABLE_TESTS
  hooklib/search/Migemo_test.cpp
  hooklib/search/MigemoTestSupport.cpp)
