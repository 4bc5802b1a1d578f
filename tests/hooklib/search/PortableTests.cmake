list(APPEND SKIMVUE_PORTABLE_TESTS
  # Key handling through a fake of the system's keys, clock and input method editor.
  hooklib/search/KeyHandler_test.cpp
  hooklib/search/NameList_test.cpp
  hooklib/search/Pattern_test.cpp
  hooklib/search/SearchRun_test.cpp
  # Migemo adapter with the real library and dictionary.
  hooklib/search/Migemo_test.cpp
  hooklib/search/MigemoTestSupport.cpp)
# Our regular-expression engine, and a short fixed-seed run of the differential fuzzer.
list(APPEND SKIMVUE_PORTABLE_TESTS
  hooklib/search/regex/CharSet_test.cpp
  hooklib/search/regex/Regex_test.cpp
  hooklib/search/regex/RegexDifferential_test.cpp
  hooklib/search/regex/WorkBudget_test.cpp
  hooklib/search/regex/fuzz/CaseGenerator.cpp)
