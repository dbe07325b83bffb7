# SPDX-License-Identifier: MIT
# cmake -DBUILD_DIR=... -DSOURCE_DIR=... -DPREFIX=... -DUDEV_RULE=... [-DPROGRAM=name]
#       -P CheckInstall.cmake
# Installs the build into PREFIX and checks the files an installation must hold.

foreach(var BUILD_DIR SOURCE_DIR PREFIX UDEV_RULE)
    if(NOT ${var})
        message(FATAL_ERROR "CheckInstall: ${var} is not set")
    endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(
    COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
    RESULT_VARIABLE result
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed (${result}):\n${output}")
endif()

set(failures "")
macro(expect_file path)
    if(NOT EXISTS "${PREFIX}/${path}" OR IS_DIRECTORY "${PREFIX}/${path}")
        string(APPEND failures "missing: ${path}\n")
    endif()
endmacro()
macro(expect_same installed source)
    expect_file("${installed}")
    if(EXISTS "${PREFIX}/${installed}")
        file(SHA256 "${PREFIX}/${installed}" installed_hash)
        file(SHA256 "${source}" source_hash)
        if(NOT installed_hash STREQUAL source_hash)
            string(APPEND failures "differs from ${source}: ${installed}\n")
        endif()
    endif()
endmacro()

if(PROGRAM)
    expect_file("bin/${PROGRAM}")
else()
    message(STATUS "CheckInstall: no program target in this build, checking the data files only")
endif()

# The program looks for its licences in ../share/doc/vtl-i2c/ relative to bin/.
foreach(license LICENSE-qt.txt LICENSE-hidapi.txt LICENSE-google-material-icons.txt)
    expect_same("bin/../share/doc/vtl-i2c/${license}" "${SOURCE_DIR}/dist/licenses/${license}")
endforeach()

expect_same("share/applications/vtl-i2c.desktop" "${SOURCE_DIR}/dist/vtl-i2c.desktop")
expect_same("share/metainfo/example.vantrel.vtl_i2c.metainfo.xml"
            "${SOURCE_DIR}/dist/example.vantrel.vtl_i2c.metainfo.xml")
foreach(size 32 48 64 128)
    expect_same("share/icons/hicolor/${size}x${size}/apps/vtl-i2c.png"
                "${SOURCE_DIR}/resources/icons/hicolor/${size}x${size}/apps/vtl-i2c.png")
endforeach()
expect_same("lib/udev/rules.d/70-vtl-i2c.rules" "${UDEV_RULE}")
expect_same("lib/udev/rules.d/71-vtl-i2c-cuse.rules" "${SOURCE_DIR}/dist/71-vtl-i2c-cuse.rules")
# The program finds its part library in ../share/vtl-i2c/parts relative to bin/.
file(GLOB part_files RELATIVE "${SOURCE_DIR}/parts" "${SOURCE_DIR}/parts/*.i2cdev")
foreach(part ${part_files} kinds.json)
    expect_same("bin/../share/vtl-i2c/parts/${part}" "${SOURCE_DIR}/parts/${part}")
endforeach()

# The desktop file and the metainfo must name what was installed.
file(READ "${SOURCE_DIR}/dist/vtl-i2c.desktop" desktop)
if(PROGRAM AND NOT desktop MATCHES "\nExec=${PROGRAM}\n")
    string(APPEND failures "vtl-i2c.desktop does not start ${PROGRAM}\n")
endif()
if(NOT desktop MATCHES "\nIcon=vtl-i2c\n")
    string(APPEND failures "vtl-i2c.desktop does not name the installed icon vtl-i2c\n")
endif()
file(READ "${SOURCE_DIR}/dist/example.vantrel.vtl_i2c.metainfo.xml" metainfo)
if(NOT metainfo MATCHES "<launchable type=\"desktop-id\">vtl-i2c.desktop</launchable>")
    string(APPEND failures "the metainfo does not launch vtl-i2c.desktop\n")
endif()
if(NOT metainfo MATCHES "<id>example.vantrel.vtl_i2c</id>")
    string(APPEND failures "the metainfo id does not match its file name\n")
endif()

if(failures)
    message(FATAL_ERROR "Installed tree in ${PREFIX} is incomplete:\n${failures}")
endif()
message(STATUS "CheckInstall: installed tree in ${PREFIX} is complete")
