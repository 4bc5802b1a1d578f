list(APPEND SKIMVUE_PORTABLE_TESTS
  hooklib/search/Pattern_test.cpp
  hooklib/search/SearchRun_test.cpp
  # Migemo adapter with the real library and dictionary.
  hooklib/search/Migemo_test.cpp
  hooklib/search/MigemoTestSupport.cpp)
