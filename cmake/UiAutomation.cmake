# The UI Automation client interfaces, which mingw-w64's headers lack (its uiautomationclient.h is
# almost empty, its uiautomationcore.h misses enumerations the client needs): compiled with widl
# from the published interface definitions that Debian ships with Wine's development files, so the
# order of every method, which the caller's calls go by, is the definition's and not a copy of it.
# skimvue_uia_headers gives the folder to include before the toolchain's own headers.
find_program(SKIMVUE_WIDL NAMES x86_64-w64-mingw32-widl i686-w64-mingw32-widl widl REQUIRED)
find_path(SKIMVUE_UIA_IDL_DIR uiautomationclient.idl PATHS /usr/include/wine/wine/windows REQUIRED
          NO_CMAKE_FIND_ROOT_PATH)

set(SKIMVUE_UIA_DIR ${CMAKE_BINARY_DIR}/generated/uia)
set(SKIMVUE_UIA_HEADERS)
foreach(name uiautomationcore uiautomationclient)
  add_custom_command(
    OUTPUT ${SKIMVUE_UIA_DIR}/${name}.h
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SKIMVUE_UIA_DIR}
    COMMAND ${SKIMVUE_WIDL} -h -I ${SKIMVUE_UIA_IDL_DIR} -o ${SKIMVUE_UIA_DIR}/${name}.h
            ${SKIMVUE_UIA_IDL_DIR}/${name}.idl
    DEPENDS ${SKIMVUE_UIA_IDL_DIR}/${name}.idl
    COMMENT "widl ${name}.idl")
  list(APPEND SKIMVUE_UIA_HEADERS ${SKIMVUE_UIA_DIR}/${name}.h)
endforeach()
add_custom_target(skimvue_uia_headers DEPENDS ${SKIMVUE_UIA_HEADERS})
