// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"
#include "VtlTypes.h"

#include <cstddef>
#include <string>

class CVtlI2c;

// What a connected adapter is and can do, taken from its driver once at connect time (and
// after each change of speed or pull-ups), so callers on any thread may read it while the
// driver is busy on the bus.
struct SBusAdapterInfo
{
    EVtlType type = EVtlType::VtlA;
    std::wstring typeName;
    std::wstring serial;
    std::wstring productName;
    std::uint16_t firmware = 0;
    EI2cSpeed speed = EI2cSpeed::Speed100k;
    bool hasPullUpSwitch = false;
    bool pullUpsEnabled = true;
    std::size_t maxReadCount = 0;
    // One bit per EI2cSpeed code the model accepts.
    unsigned supportedSpeeds = 0;

    bool IsSpeedSupported(EI2cSpeed code) const;

    static SBusAdapterInfo FromDriver(const CVtlI2c &driver, EVtlType type);
};
