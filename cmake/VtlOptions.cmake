# SPDX-License-Identifier: MIT
# Build switches shared by every target of the project.

option(VTL_WARNINGS_AS_ERRORS "Treat compiler warnings as errors (CI turns this on)" OFF)
option(VTL_ENABLE_SANITIZERS "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(VTL_BUILD_TESTS "Build the test suite" ON)
option(VTL_BUILD_BENCHMARKS "Build the benchmarks in bench/ (needs Google Benchmark)" ON)
option(VTL_BUILD_FUZZERS "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)
option(VTL_USE_CCACHE "Compile through ccache when it is installed" ON)

# Paths are hashed relative to the source folder, so a fresh clone (CI) or a second work
# tree reuses the objects an earlier build of the same sources left in the cache.
find_program(VTL_CCACHE_PROGRAM ccache)
if(VTL_USE_CCACHE AND VTL_CCACHE_PROGRAM AND NOT CMAKE_CXX_COMPILER_LAUNCHER)
    set(CMAKE_CXX_COMPILER_LAUNCHER
        ${CMAKE_COMMAND} -E env CCACHE_BASEDIR=${CMAKE_SOURCE_DIR} CCACHE_NOHASHDIR=true
        ${VTL_CCACHE_PROGRAM})
endif()

function(vtl_apply_build_options)
    if(CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
        add_compile_options(-Wall -Wextra -Wpedantic -Wshadow)
        if(VTL_WARNINGS_AS_ERRORS)
            add_compile_options(-Werror)
        endif()
        if(VTL_ENABLE_SANITIZERS)
            add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                                -fno-omit-frame-pointer)
            add_link_options(-fsanitize=address,undefined)
        endif()
    endif()
    if(VTL_BUILD_BENCHMARKS)
        find_package(benchmark QUIET)
        if(NOT benchmark_FOUND)
            message(STATUS "Google Benchmark not found: benchmarks are not built")
            set(VTL_BUILD_BENCHMARKS OFF PARENT_SCOPE)
        endif()
    endif()
    if(VTL_BUILD_FUZZERS AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VTL_BUILD_FUZZERS needs clang (libFuzzer); use the 'fuzz' preset")
    endif()
endfunction()
