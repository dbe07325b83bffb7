// SPDX-License-Identifier: MIT
#pragma once

#include "VtlTypes.h"

#include <cstdint>
#include <string>

// Whether an attached adapter's special-mode interface can be opened by this user.
enum class EVtlAccess : std::uint8_t
{
    Usable,           // it opened (and was closed again at once)
    PermissionDenied, // the system refused the open: the udev rule is missing
    OpenFailed,       // it is listed but would not open for another reason
    NotFound,         // the system does not list it (any more)
};

// What the system lists of one adapter, and whether it can be opened.
struct SVtlAdapterAccess
{
    EVtlAccess access = EVtlAccess::NotFound;
    // The HID layer's text of a failed open; empty when usable or not found.
    std::string error;
    // As the system lists them: the product string (the model's type name when the
    // adapter reports none) and the USB release number.
    std::wstring productName;
    std::uint16_t firmware = 0;
};

// A look at an adapter without connecting it: the check opens and closes the
// special-mode interface and sends nothing, so it disturbs no program that is using the
// adapter. Shared by the window and the command-line program.
class CVtlAdapterAccess
{
public:
    static SVtlAdapterAccess Check(EVtlType type, const std::wstring &serial);

    // The lines that tell how to grant access: the udev rule, reloading the rules and
    // replugging. Plain text, one instruction per line, without a final line break.
    static std::string PermissionHint();
};
