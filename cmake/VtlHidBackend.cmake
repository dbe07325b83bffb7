# SPDX-License-Identifier: MIT
# vtl::hid is compiled against <hidapi.h> but links no implementation of it. Every
# executable picks one: the system's hidapi for the real program, the simulated
# adapters for tests and the demo. The choice is a property of the executable, which
# vtl::hid's usage requirements read, so the backend always lands after vtl::hid on
# the link line.
function(vtl_use_hid_backend target backend)
    if(backend STREQUAL "system")
        set_target_properties(${target} PROPERTIES VTL_HID_BACKEND PkgConfig::HIDAPI)
    elseif(backend STREQUAL "sim")
        set_target_properties(${target} PROPERTIES VTL_HID_BACKEND vtl::sim)
    else()
        message(FATAL_ERROR "vtl_use_hid_backend: unknown backend '${backend}'")
    endif()
endfunction()
