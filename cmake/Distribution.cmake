# The Windows download of this word size: a folder and a zip with the launcher, the library,
# migemo.dll with its dictionary, the license texts and the user README.
if(SKIMVUE_BITS EQUAL 64)
  set(dist_name Skimvue-x64)
else()
  set(dist_name Skimvue-x86)
endif()
set(dist_dir ${CMAKE_BINARY_DIR}/dist/${dist_name})
set(bin ${CMAKE_BINARY_DIR}/bin)
set(symbols_dir ${CMAKE_BINARY_DIR}/symbols)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/dist ${symbols_dir})

# The PE files ship stripped. Their debugging data stays beside the build in symbols/, and each
# shipped file names its own by a debug link (.gnu_debuglink: the file name and a checksum), so
# gdb or another debugger pointed at that folder symbolizes a crash of the shipped build.
set(split_symbols)
foreach(file $<TARGET_FILE_NAME:skimvue_launcher> $<TARGET_FILE_NAME:skimvue_dll> migemo.dll)
  list(APPEND split_symbols
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${dist_dir}/${file} ${symbols_dir}/${file}.debug
    COMMAND ${CMAKE_STRIP} ${dist_dir}/${file}
    COMMAND ${CMAKE_OBJCOPY} --add-gnu-debuglink=${symbols_dir}/${file}.debug ${dist_dir}/${file})
endforeach()

add_custom_target(skimvue_dist ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${dist_dir}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${dist_dir}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:skimvue_launcher> $<TARGET_FILE:skimvue_dll>
          ${bin}/migemo.dll ${CMAKE_SOURCE_DIR}/dist/README.txt ${dist_dir}
  ${split_symbols}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${bin}/dict ${dist_dir}/dict
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${bin}/licenses ${dist_dir}/licenses
  COMMAND ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/dist/${dist_name}.zip --format=zip
          ${dist_name}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/dist
  DEPENDS skimvue_launcher skimvue_dll migemo_runtime
  COMMENT "Packing ${dist_name}.zip")
