# The version test: `tolvaran --version` must print EXPECTED and a line feed,
# nothing else, and succeed.
#   cmake -DTOLVARAN=<program> [-DLAUNCHER=<emulator>] -DEXPECTED=<line> -P check_version.cmake
execute_process(COMMAND ${LAUNCHER} "${TOLVARAN}" --version
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
# The first line is the program's; the second names the RFC library found.
string(REGEX REPLACE "\n.*" "" out "${out}")
if(NOT status EQUAL 0 OR NOT out STREQUAL "${EXPECTED}")
  message(FATAL_ERROR "tolvaran --version: status ${status}, output\n[${out}]\n"
    "expected status 0 and\n[${EXPECTED}\n]\n${err}")
endif()
