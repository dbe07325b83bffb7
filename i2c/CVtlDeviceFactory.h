// SPDX-License-Identifier: MIT
#pragma once

#include "CVtlI2c.h"
#include "VtlTypes.h"

#include <memory>
#include <vector>

// Lists the attached adapters of every model and creates the driver for one model.
class CVtlDeviceFactory
{
public:
    // Model A adapters first, then B, then C; each model in ascending serial order.
    static std::vector<SVtlDeviceEntry> EnumerateDevices();
    // A new, unconnected driver for the model, or null for a value that names none.
    static std::unique_ptr<CVtlI2c> Create(EVtlType type);
};
