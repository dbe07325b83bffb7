// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"
#include "VtlTypes.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class CVtlI2c;

// What an adapter model can do, as its driver declares it. Every adapter of a model can do
// the same, so it is known before one is connected; code outside the driver asks this
// instead of telling the models apart.
struct SAdapterCapabilities
{
    std::wstring typeName;
    // One bit per EI2cSpeed code the model accepts.
    unsigned supportedSpeeds = 0;
    bool hasPullUpSwitch = false;
    // Whether the address byte alone (the SMBus quick command) can go out as a write.
    bool canWriteAddressOnly = true;
    std::size_t maxReadCount = 0;
    std::size_t maxWriteCount = 0;

    bool operator==(const SAdapterCapabilities &) const = default;

    bool IsSpeedSupported(EI2cSpeed code) const;
    // The speeds the model accepts, slowest first.
    std::vector<EI2cSpeed> SpeedsRising() const;

    static SAdapterCapabilities FromDriver(const CVtlI2c &driver);
    // The model's capabilities, asked of its driver once per program run; null for a value
    // that names no model.
    static const SAdapterCapabilities *OfModel(EVtlType type);
};

// The bus clock of a speed code in kbit/s.
int I2cSpeedKbits(EI2cSpeed speed);
// The five speeds, slowest first.
std::vector<EI2cSpeed> I2cSpeedsRising();
// The speed code of a clock of 10, 50, 100, 400 or 1000 kbit/s.
std::optional<EI2cSpeed> I2cSpeedOfKbits(unsigned long kbits);
