list(APPEND SKIMVUE_PORTABLE_SOURCES
  support/PathParts.cpp
  support/ReportLimit.cpp)
list(APPEND SKIMVUE_WINDOWS_SOURCES
  support/StdString.cpp
  support/ModuleVersion.cpp
  support/EventLog.cpp
  support/FailureReport.cpp
  support/WindowIdentity.cpp
  support/WorkerThread.cpp)
