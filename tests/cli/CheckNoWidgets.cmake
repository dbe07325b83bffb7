# SPDX-License-Identifier: MIT
# cmake -DPROGRAM=<file> -P CheckNoWidgets.cmake
# Fails when the program needs Qt's graphical libraries. Qt Core must be found among its
# needed libraries, so a readelf that prints nothing cannot pass the check.
find_program(READELF readelf REQUIRED)
execute_process(COMMAND ${READELF} -d "${PROGRAM}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "readelf -d ${PROGRAM} failed (${result}):\n${output}")
endif()
if(NOT output MATCHES "NEEDED[^\n]*libQt6Core")
    message(FATAL_ERROR "${PROGRAM} does not list Qt Core among its libraries:\n${output}")
endif()
string(REGEX MATCHALL "libQt6(Widgets|Gui)\\.so[.0-9]*" graphical "${output}")
if(graphical)
    message(FATAL_ERROR "${PROGRAM} links graphical Qt libraries: ${graphical}")
endif()
message(STATUS "${PROGRAM} needs Qt Core and no Qt Gui or Widgets")
