# Creates the Wine prefix of the conformance tests once; later runs reuse it.
if(EXISTS ${PREFIX}/system.reg)
  message(STATUS "Wine prefix ready: ${PREFIX}")
  return()
endif()
execute_process(COMMAND ${WINEBOOT} -i RESULT_VARIABLE rc OUTPUT_VARIABLE log ERROR_VARIABLE log)
if(NOT rc EQUAL 0 OR NOT EXISTS ${PREFIX}/system.reg)
  message(FATAL_ERROR "wineboot -i failed (${rc}):\n${log}")
endif()
