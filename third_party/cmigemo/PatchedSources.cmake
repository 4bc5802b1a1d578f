# The cmigemo sources with our changes, copied fresh from the source package and patched at each
# configure (the patch files in this folder say exactly what we changed):
#   0001-paths.patch                 files opened once by name, companions' names built in memory
#                                    of their own size (no fixed path buffers), migemo_open_w for
#                                    UTF-16 paths on Windows;
#   0002-hostile-dictionaries.patch  size and entry caps, checked allocations, no recursion as
#                                    deep as a dictionary's siblings, a bound on the query.
# Sets SKIMVUE_CMIGEMO_PATCHED to the folder of the patched src/.
set(SKIMVUE_CMIGEMO_SOURCE /var/cache/skimvue/cmigemo CACHE PATH
    "Unpacked cmigemo source package (tools/setup.sh puts it there)")

# Without setup's copy, the source package is fetched into the build tree.
if(NOT EXISTS ${SKIMVUE_CMIGEMO_SOURCE}/src/migemo.c)
  set(fetch_dir ${CMAKE_BINARY_DIR}/cmigemo-fetch)
  file(MAKE_DIRECTORY ${fetch_dir})
  execute_process(COMMAND apt-get source cmigemo WORKING_DIRECTORY ${fetch_dir}
                  RESULT_VARIABLE fetch_result OUTPUT_QUIET ERROR_QUIET)
  file(GLOB fetched LIST_DIRECTORIES true ${fetch_dir}/cmigemo-*)
  list(FILTER fetched EXCLUDE REGEX "\\.(gz|xz|dsc)$")
  if(NOT fetched)
    message(FATAL_ERROR "cmigemo source not found in ${SKIMVUE_CMIGEMO_SOURCE} and "
                        "`apt-get source cmigemo` failed; run tools/setup.sh")
  endif()
  list(GET fetched 0 fetched_source)
  set(SKIMVUE_CMIGEMO_SOURCE ${fetched_source} CACHE PATH "" FORCE)
endif()

set(SKIMVUE_CMIGEMO_PATCHED ${CMAKE_BINARY_DIR}/cmigemo-patched/src)
file(REMOVE_RECURSE ${SKIMVUE_CMIGEMO_PATCHED})
file(GLOB upstream ${SKIMVUE_CMIGEMO_SOURCE}/src/*.c ${SKIMVUE_CMIGEMO_SOURCE}/src/*.h
     ${SKIMVUE_CMIGEMO_SOURCE}/src/*.def)
file(COPY ${upstream} DESTINATION ${SKIMVUE_CMIGEMO_PATCHED})
file(GLOB cmigemo_patches ${CMAKE_CURRENT_LIST_DIR}/*.patch)
list(SORT cmigemo_patches)
foreach(patch_file ${cmigemo_patches})
  execute_process(COMMAND patch -p1 --quiet --forward --no-backup-if-mismatch -i ${patch_file}
                  WORKING_DIRECTORY ${SKIMVUE_CMIGEMO_PATCHED} RESULT_VARIABLE patch_result)
  if(NOT patch_result EQUAL 0)
    message(FATAL_ERROR "${patch_file} does not apply to ${SKIMVUE_CMIGEMO_SOURCE}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${patch_file})
endforeach()
# migemo.h declares the entry points __stdcall for Windows compilers other than mingw; the DLL
# follows the Windows convention so 32-bit hosts can use it and other builds of migemo.dll alike.
file(READ ${SKIMVUE_CMIGEMO_PATCHED}/migemo.h migemo_h)
string(REPLACE "defined(_WIN32) && !defined(__MINGW32__)" "defined(_WIN32)" migemo_h "${migemo_h}")
file(WRITE ${SKIMVUE_CMIGEMO_PATCHED}/migemo.h "${migemo_h}")

# The library's sources (main.c is its command-line program).
set(SKIMVUE_CMIGEMO_SOURCES)
foreach(name charset filename migemo mnode romaji rxgen wordbuf wordlist)
  list(APPEND SKIMVUE_CMIGEMO_SOURCES ${SKIMVUE_CMIGEMO_PATCHED}/${name}.c)
endforeach()
