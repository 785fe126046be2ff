# cmake -DPROGRAM=... -DREPORT=regex -P ExpectReport.cmake
# Fails unless PROGRAM ends non-zero with REPORT on stderr and never says that
# it went on past its fault.
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(result EQUAL 0 OR NOT err MATCHES "${REPORT}" OR out MATCHES "went on")
  message(FATAL_ERROR "${PROGRAM} ended with ${result}; expected a non-zero end after \"${REPORT}\"\n"
    "stdout:\n${out}\nstderr:\n${err}")
endif()
