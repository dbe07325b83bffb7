// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// Bus speed codes exactly as the adapters take them in the enable report's flags byte.
// The numeric order is the firmware's, not the order of the clock rates.
enum class EI2cSpeed : std::uint8_t
{
    Speed100k = 0,
    Speed400k = 1,
    Speed50k = 2,
    Speed10k = 3,
    Speed1000k = 4,
};

// Raw status of the last write reply: byte 1 (status) and byte 2 (error code).
struct SI2cWriteResult
{
    std::uint8_t status = 0;
    std::uint8_t errorCode = 0;
};

// Raw status of the last read reply and the bytes read, in bus order.
struct SI2cReadResult
{
    std::uint8_t status = 0;
    std::vector<unsigned char> data;
};
