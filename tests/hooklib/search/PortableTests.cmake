list(APPEND SKIMVUE_PORTABLE_TESTS
  hooklib/search/Pattern_test.cpp
  hooklib/search/SearchRun_test.cpp)
