# Runs one README example: it must exit with 0 and, when EXPECTED names a file, print
# exactly the text of that file.
#   cmake -DPROGRAM=<program> [-DEXPECTED=<file>] -P run_example.cmake
execute_process(COMMAND ${PROGRAM} RESULT_VARIABLE _status OUTPUT_VARIABLE _out
                ERROR_VARIABLE _err)
message("${_out}${_err}")
if(NOT _status STREQUAL "0")
    message(FATAL_ERROR "${PROGRAM} exited with ${_status}")
endif()
if(DEFINED EXPECTED)
    file(READ ${EXPECTED} _want)
    if(NOT _out STREQUAL _want)
        message(FATAL_ERROR "the output differs from the README; it should be:\n${_want}")
    endif()
endif()
