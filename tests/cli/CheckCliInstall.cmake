# SPDX-License-Identifier: MIT
# cmake -DBUILD_DIR=... -DPREFIX=... -DCOMPLETION=<source file> -P CheckCliInstall.cmake
# Installs the command-line program's component into PREFIX and checks that it brings its
# manual page, in roff, its completion and its user service along.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component cli --prefix "${PREFIX}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(failures "")
if(NOT EXISTS "${PREFIX}/bin/vtl-i2c-cli")
    string(APPEND failures "missing: bin/vtl-i2c-cli\n")
endif()
execute_process(COMMAND gzip -dc "${PREFIX}/share/man/man1/vtl-i2c-cli.1.gz"
                OUTPUT_VARIABLE page RESULT_VARIABLE unzipped ERROR_QUIET)
# roff, not the markup it was written in
if(NOT unzipped EQUAL 0 OR NOT page MATCHES "\\.TH \"?vtl-i2c-cli\"? \"?1\"?" OR page MATCHES "\n# ")
    string(APPEND failures "share/man/man1/vtl-i2c-cli.1.gz is missing or no manual page in roff\n")
endif()
file(SHA256 "${COMPLETION}" source_hash)
set(completion "${PREFIX}/share/bash-completion/completions/vtl-i2c-cli")
if(EXISTS "${completion}")
    file(SHA256 "${completion}" installed_hash)
endif()
if(NOT source_hash STREQUAL "${installed_hash}")
    string(APPEND failures "the installed completion is missing or differs from ${COMPLETION}\n")
endif()
# The user service that shares one adapter runs the installed program's serve.
set(unit "${PREFIX}/lib/systemd/user/vtl-i2c-serve@.service")
if(EXISTS "${unit}")
    file(READ "${unit}" unit_text)
endif()
if(NOT unit_text MATCHES "\nExecStart=/[^\n]*/vtl-i2c-cli serve --adapter %i\n")
    string(APPEND failures "lib/systemd/user/vtl-i2c-serve@.service is missing or does not serve\n")
endif()
if(failures)
    message(FATAL_ERROR "Installed tree in ${PREFIX} is incomplete:\n${failures}")
endif()
message(STATUS "CheckCliInstall: program, manual page, completion and user service installed")
