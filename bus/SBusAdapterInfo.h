// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"
#include "SAdapterCapabilities.h"
#include "VtlTypes.h"

#include <cstdint>
#include <string>

class CVtlI2c;

// What a connected adapter is and can do, taken from its driver once at connect time (and
// after each change of speed or pull-ups), so callers on any thread may read it while the
// driver is busy on the bus. What it can do is its model's (SAdapterCapabilities).
struct SBusAdapterInfo : SAdapterCapabilities
{
    EVtlType type = EVtlType::VtlA;
    std::wstring serial;
    std::wstring productName;
    std::uint16_t firmware = 0;
    EI2cSpeed speed = EI2cSpeed::Speed100k;
    bool pullUpsEnabled = true;

    static SBusAdapterInfo FromDriver(const CVtlI2c &driver, EVtlType type);
};
