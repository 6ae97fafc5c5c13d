# Replays one script with the Windows gdi-replay under Wine and with the portable one:
# OUT.wine.bmp and OUT.portable.bmp. Wine's messages go to a file, not a pipe (see
# wine_prefix.cmake).
get_filename_component(dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${dir})
file(REMOVE ${OUT}.wine.bmp ${OUT}.portable.bmp ${OUT}.diff.bmp)
execute_process(COMMAND ${WINE} ${WINDOWS_EXE} ${SCRIPT} ${OUT}.wine.bmp RESULT_VARIABLE rc
                INPUT_FILE /dev/null OUTPUT_FILE ${OUT}.wine.log ERROR_FILE ${OUT}.wine.log)
if(NOT rc EQUAL 0)
  file(READ ${OUT}.wine.log err)
  message(FATAL_ERROR "gdi-replay.exe under Wine failed (${rc}): ${err}")
endif()
execute_process(COMMAND ${PORTABLE_EXE} ${SCRIPT} ${OUT}.portable.bmp RESULT_VARIABLE rc
                ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "portable gdi-replay failed (${rc}): ${err}")
endif()
