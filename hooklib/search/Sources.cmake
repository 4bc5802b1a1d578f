list(APPEND SKIMVUE_PORTABLE_SOURCES
  search/KeyHandler.cpp
  search/NameList.cpp
  search/Pattern.cpp
  search/SearchRun.cpp)
list(APPEND SKIMVUE_WINDOWS_SOURCES
  search/Keystroke.cpp)
# Migemo adapter: the common part, and the library loading of each platform.
list(APPEND SKIMVUE_PORTABLE_SOURCES search/Migemo.cpp)
if(WIN32)
  list(APPEND SKIMVUE_WINDOWS_SOURCES search/MigemoWin.cpp)
else()
  list(APPEND SKIMVUE_PORTABLE_SOURCES search/MigemoPosix.cpp)
endif()
# Our own regular-expression engine behind the patterns.
list(APPEND SKIMVUE_PORTABLE_SOURCES
  search/regex/BoundedSearch.cpp
  search/regex/CharSet.cpp
  search/regex/Compile.cpp
  search/regex/Emit.cpp
  search/regex/Measure.cpp
  search/regex/Regex.cpp
  search/regex/Stack.cpp
  search/regex/Tables.cpp
  search/regex/Threads.cpp)
