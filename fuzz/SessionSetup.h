// SPDX-License-Identifier: MIT
#pragma once

#include "ScriptedHid.h"
#include "SessionInput.h"
#include "VtlTypes.h"

#include <cstdint>
#include <optional>
#include <string>

// The session header: which adapter model, how the system lists it, the first speed.
struct SSessionSetup
{
    EVtlType model = EVtlType::VtlA;
    // A value that names no model, for which the factory must make no driver.
    std::optional<EVtlType> unknownModel;
    std::uint8_t flags = 0;
    std::uint8_t speed = 0;
    std::uint16_t releaseNumber = 0;
    // The serial number the session connects with.
    std::wstring serial;
    // The product name the driver must report once connected.
    std::wstring productName;
};

SSessionSetup ReadSetup(CSessionInput &input);

// Attaches the adapter, and its neighbours if the header asks for them, to the system.
void ListSystem(CScriptedHid &hid, const SSessionSetup &setup);
