# SPDX-License-Identifier: MIT
# The binary Debian package, made by CPack from the same install rules that
# `cmake --install` follows, so the package holds exactly what an installation holds.
# dpkg-shlibdeps computes the run-time dependencies from the installed programs.
set(VTL_DEBIAN_DIR "${PROJECT_SOURCE_DIR}/dist/debian")

# Debian's documentation files: the copyright in its machine-readable form and the
# changelog, compressed as the policy asks.
find_program(VTL_GZIP gzip)
if(VTL_GZIP)
    set(changelog "${CMAKE_BINARY_DIR}/changelog.Debian.gz")
    add_custom_command(
        OUTPUT "${changelog}"
        COMMAND "${VTL_GZIP}" -9n -c "${VTL_DEBIAN_DIR}/changelog" > "${changelog}"
        DEPENDS "${VTL_DEBIAN_DIR}/changelog"
        VERBATIM)
    add_custom_target(vtl_debian_changelog ALL DEPENDS "${changelog}")
    install(FILES "${changelog}" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/vtl-i2c")
endif()
install(FILES "${VTL_DEBIAN_DIR}/copyright" DESTINATION "${CMAKE_INSTALL_DATADIR}/doc/vtl-i2c")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vtl-i2c)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR Brelmark)
set(CPACK_PACKAGE_CONTACT "Brelmark <support@vantrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "talk to I2C devices through Vantrel USB adapters")
# CPack puts the summary first and indents the long description itself; an empty
# line becomes the paragraph separator.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "A bench tool for hardware and firmware engineers: connect a Vantrel USB HID
adapter (models A, B and C), scan the bus, write and read bytes with the start
and stop conditions you need, read registers in one step, watch a value and
keep a library of slave devices with ready-made commands.

The package holds the window (vtl_i2c), the command-line program for scripts
and test rigs (vtl-i2c-cli), the Python package vtl_i2c and the udev rule that
lets the user at the seat open the adapters.")
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://www.vantrel.example")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The Python package's native module is built for Debian 12's Python 3.11.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "python3 (>= 3.11~), python3 (<< 3.12)")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/package")
include(CPack)
