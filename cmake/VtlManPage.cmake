# SPDX-License-Identifier: MIT
# vtl_add_man_page(<name> <section> <scdoc source> [COMPONENT <component>])
# Turns a manual page written in scdoc's markup into roff at build time, compresses it as
# Debian's policy asks (gzip -9n: no name or time stamp, so builds are reproducible) and
# installs <name>.<section>.gz into the manual's section folder.
find_program(VTL_SCDOC scdoc)
find_program(VTL_GZIP gzip)

function(vtl_add_man_page name section source)
    cmake_parse_arguments(ARG "" "COMPONENT" "" ${ARGN})
    if(NOT VTL_SCDOC OR NOT VTL_GZIP)
        message(WARNING "scdoc or gzip not found: the manual page ${name}.${section} is not "
                        "built (tools/install-deps.sh installs them)")
        return()
    endif()
    set(page "${CMAKE_CURRENT_BINARY_DIR}/${name}.${section}")
    add_custom_command(
        OUTPUT "${page}" "${page}.gz"
        COMMAND "${VTL_SCDOC}" < "${source}" > "${page}"
        COMMAND "${VTL_GZIP}" -9n -c "${page}" > "${page}.gz"
        DEPENDS "${source}"
        COMMENT "Generating the manual page ${name}.${section}"
        VERBATIM)
    add_custom_target(vtl_man_${name} ALL DEPENDS "${page}" "${page}.gz")
    if(ARG_COMPONENT)
        set(component COMPONENT ${ARG_COMPONENT})
    endif()
    install(FILES "${page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man${section}" ${component})
endfunction()
