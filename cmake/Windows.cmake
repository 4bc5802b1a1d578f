# Settings shared by every target of a mingw build.
add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00
                        WINVER=0x0A00 STRICT)
# Link the runtime statically: no libstdc++ or winpthreads DLL has to travel with the library.
add_link_options(-static -static-libgcc -static-libstdc++)

if(NOT SKIMVUE_WINE_ROOT)
  set(SKIMVUE_WINE_ROOT ${CMAKE_BINARY_DIR}/wine)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/tools/wine-env.sh ${SKIMVUE_WINE_ROOT} run${SKIMVUE_BITS})

if(SKIMVUE_BITS EQUAL 64)
  set(SKIMVUE_DLL_NAME Skimvue64)
else()
  set(SKIMVUE_DLL_NAME Skimvue)
endif()
set(SKIMVUE_LABEL win${SKIMVUE_BITS})

# migemo.dll with its dictionary beside the hook library.
add_subdirectory(${CMAKE_SOURCE_DIR}/third_party/cmigemo ${CMAKE_BINARY_DIR}/third_party/cmigemo)
