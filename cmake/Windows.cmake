# Settings shared by every target of a mingw build.
add_compile_definitions(UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00
                        WINVER=0x0A00 STRICT)
# Link the runtime statically: no libstdc++ or winpthreads DLL has to travel with the library.
add_link_options(-static -static-libgcc -static-libstdc++)
# Our code and migemo.dll run on the host's threads: a stack overrun ends the process at the
# function's return rather than running on with a corrupted frame. Every function with an
# array or an address-taken local is guarded, and mingw-w64's string functions are checked
# against the sizes the compiler knows (its headers fortify only when optimizing). Both call
# into libssp, linked statically like the rest of the runtime.
add_compile_options(-fstack-protector-strong)
add_compile_definitions($<$<NOT:$<CONFIG:Debug>>:_FORTIFY_SOURCE=2>)
add_link_options(-fstack-protector-strong)

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

include(${CMAKE_CURRENT_LIST_DIR}/UiAutomation.cmake)

# migemo.dll with its dictionary beside the hook library.
add_subdirectory(${CMAKE_SOURCE_DIR}/third_party/cmigemo ${CMAKE_BINARY_DIR}/third_party/cmigemo)

# The stack protector checked in the built binaries, alongside the tests.
add_test(NAME ${SKIMVUE_LABEL}.stack_protector
         COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${CMAKE_OBJDUMP}
                 "-DFILES=$<TARGET_FILE:migemo>;$<TARGET_FILE:skimvue_dll>;$<TARGET_FILE:skimvue_launcher>"
                 -P ${CMAKE_CURRENT_LIST_DIR}/CheckStackProtector.cmake)
set_tests_properties(${SKIMVUE_LABEL}.stack_protector PROPERTIES LABELS ${SKIMVUE_LABEL})
