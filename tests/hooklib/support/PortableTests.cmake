list(APPEND SKIMVUE_PORTABLE_TESTS
  hooklib/support/PathParts_test.cpp
  hooklib/support/ReportLimit_test.cpp
  hooklib/support/UniqueHandle_test.cpp)
