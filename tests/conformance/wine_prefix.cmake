# Creates the Wine prefix of the conformance tests once (later runs reuse it), then starts a
# wine server that stays up until 30 s after its last client, so every replay does not pay
# for a new one. Wine's output goes to files: its server inherits them and would keep a pipe,
# and with it this test, open until it exits.
if(NOT EXISTS ${PREFIX}/system.reg)
  execute_process(COMMAND ${WINEBOOT} -i RESULT_VARIABLE rc INPUT_FILE /dev/null
                  OUTPUT_FILE ${PREFIX}.log ERROR_FILE ${PREFIX}.log)
  # The server writes the registry files when it exits.
  execute_process(COMMAND ${WINESERVER} -w)
  if(NOT rc EQUAL 0 OR NOT EXISTS ${PREFIX}/system.reg)
    file(READ ${PREFIX}.log log)
    message(FATAL_ERROR "wineboot -i failed (${rc}):\n${log}")
  endif()
endif()
execute_process(COMMAND ${WINESERVER} -p30 INPUT_FILE /dev/null OUTPUT_FILE /dev/null
                ERROR_FILE /dev/null)
