# SPDX-License-Identifier: MIT
# cmake -DBUILD_DIR=... -DPREFIX=... -DCOMPLETION=<source file> -P CheckCliInstall.cmake
# Installs the command-line program's part of the build into PREFIX and checks that it
# brings its manual page and completion along.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component cli --prefix "${PREFIX}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(failures "")
foreach(path bin/vtl-i2c-cli share/man/man1/vtl-i2c-cli.1.gz
             share/bash-completion/completions/vtl-i2c-cli)
    if(NOT EXISTS "${PREFIX}/${path}")
        string(APPEND failures "missing: ${path}\n")
    endif()
endforeach()
if(EXISTS "${PREFIX}/share/man/man1/vtl-i2c-cli.1.gz")
    execute_process(COMMAND gzip -dc "${PREFIX}/share/man/man1/vtl-i2c-cli.1.gz"
                    OUTPUT_VARIABLE page RESULT_VARIABLE unzipped)
    if(NOT unzipped EQUAL 0)
        string(APPEND failures "vtl-i2c-cli.1.gz does not decompress\n")
    endif()
    # roff, not the markup it was written in
    if(NOT page MATCHES "\\.TH \"?vtl-i2c-cli\"? \"?1\"?" OR page MATCHES "\n# ")
        string(APPEND failures "vtl-i2c-cli.1 is no manual page in roff\n")
    endif()
endif()
file(SHA256 "${COMPLETION}" source_hash)
if(EXISTS "${PREFIX}/share/bash-completion/completions/vtl-i2c-cli")
    file(SHA256 "${PREFIX}/share/bash-completion/completions/vtl-i2c-cli" installed_hash)
    if(NOT source_hash STREQUAL installed_hash)
        string(APPEND failures "the installed completion differs from ${COMPLETION}\n")
    endif()
endif()
if(failures)
    message(FATAL_ERROR "Installed tree in ${PREFIX} is incomplete:\n${failures}")
endif()
message(STATUS "CheckCliInstall: program, manual page and completion installed")
