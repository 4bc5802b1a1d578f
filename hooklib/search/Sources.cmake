list(APPEND SKIMVUE_PORTABLE_SOURCES
  search/Pattern.cpp)
