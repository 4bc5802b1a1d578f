# Run as a test: cmake -DOBJDUMP=... -DFILES="a.dll;b.exe" -P CheckStackProtector.cmake
# Fails unless each file calls __stack_chk_fail, i.e. was built with the stack protector.
foreach(file ${FILES})
  execute_process(COMMAND ${OBJDUMP} -d ${file} OUTPUT_VARIABLE code RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${OBJDUMP} cannot read ${file}")
  endif()
  string(FIND "${code}" "__stack_chk_fail" found)
  if(found EQUAL -1)
    message(FATAL_ERROR "${file} was built without the stack protector")
  endif()
  message(STATUS "${file}: guarded")
endforeach()
