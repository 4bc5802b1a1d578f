list(APPEND SKIMVUE_PORTABLE_TESTS hooklib/hook/HookBackoff_test.cpp)
