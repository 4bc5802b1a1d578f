# The two Windows builds, driven from the native build so one `cmake --build` builds all three
# and one `ctest` runs every suite: native tests directly, Windows tests under Wine.
include(ExternalProject)

set(SKIMVUE_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
set(SKIMVUE_WINE_ENV ${CMAKE_SOURCE_DIR}/tools/wine-env.sh)

foreach(bits 64 32)
  ExternalProject_Add(win${bits}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/win${bits}
    CMAKE_GENERATOR Ninja
    CMAKE_ARGS
      -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/toolchain-mingw${bits}.cmake
      -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
      -DSKIMVUE_WERROR=${SKIMVUE_WERROR}
      -DSKIMVUE_WINE_ROOT=${SKIMVUE_WINE_ROOT}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    USES_TERMINAL_BUILD ON)
endforeach()

# The display and the prefix are started once for the whole run and stopped at its end.
add_test(NAME wine.start COMMAND ${SKIMVUE_WINE_ENV} ${SKIMVUE_WINE_ROOT} start)
set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine LABELS wine TIMEOUT 300)
add_test(NAME wine.stop COMMAND ${SKIMVUE_WINE_ENV} ${SKIMVUE_WINE_ROOT} stop)
set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine LABELS wine)

set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${CMAKE_SOURCE_DIR}/cmake/CrossTests.cmake)
