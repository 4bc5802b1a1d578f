# GoogleTest from Debian's sources, built with whatever compiler this build uses, so the
# mingw builds get a GoogleTest of their own.
set(SKIMVUE_GTEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest source tree")
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
# GoogleTest's own code is not ours to keep warning-free.
set(_skimvue_saved_options "${CMAKE_CXX_FLAGS}")
add_subdirectory(${SKIMVUE_GTEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
foreach(target gtest gtest_main)
  target_compile_options(${target} PRIVATE -w -Wno-error)
endforeach()
include(GoogleTest)
