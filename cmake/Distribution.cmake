# The Windows download of this word size: a folder and a zip with the launcher, the library,
# migemo.dll with its dictionary, the license texts and the user README.
if(SKIMVUE_BITS EQUAL 64)
  set(dist_name Skimvue-x64)
else()
  set(dist_name Skimvue-x86)
endif()
set(dist_dir ${CMAKE_BINARY_DIR}/dist/${dist_name})
set(bin ${CMAKE_BINARY_DIR}/bin)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)

add_custom_target(skimvue_dist ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${dist_dir}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${dist_dir}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:skimvue_launcher> $<TARGET_FILE:skimvue_dll>
          ${bin}/migemo.dll ${CMAKE_SOURCE_DIR}/dist/README.txt ${dist_dir}
  COMMAND ${CMAKE_STRIP} ${dist_dir}/$<TARGET_FILE_NAME:skimvue_launcher>
          ${dist_dir}/$<TARGET_FILE_NAME:skimvue_dll>
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${bin}/dict ${dist_dir}/dict
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${bin}/licenses ${dist_dir}/licenses
  COMMAND ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/dist/${dist_name}.zip --format=zip
          ${dist_name}
  WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/dist
  DEPENDS skimvue_launcher skimvue_dll migemo_runtime
  COMMENT "Packing ${dist_name}.zip")
