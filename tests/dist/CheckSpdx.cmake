# SPDX-License-Identifier: MIT
# cmake -DSOURCE_DIR=... -P CheckSpdx.cmake
# Every source file of the project names its licence in an SPDX line.
file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" LIST_DIRECTORIES false
     "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.in" "${SOURCE_DIR}/*.cmake"
     "${SOURCE_DIR}/*CMakeLists.txt" "${SOURCE_DIR}/*.sh" "${SOURCE_DIR}/*.py"
     "${SOURCE_DIR}/*.ui" "${SOURCE_DIR}/*.qrc")
set(missing "")
foreach(source IN LISTS sources)
    if(source MATCHES "^build/" OR source MATCHES "/__pycache__/")
        continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" lines LIMIT_COUNT 3)
    if(NOT lines MATCHES "SPDX-License-Identifier: MIT")
        string(APPEND missing "  ${source}\n")
    endif()
endforeach()
if(missing)
    message(FATAL_ERROR "Files without the line SPDX-License-Identifier: MIT:\n${missing}")
endif()
list(LENGTH sources count)
message(STATUS "CheckSpdx: ${count} files name their licence")
