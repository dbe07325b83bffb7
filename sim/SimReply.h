// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// One input report that answers a request, and how far into the request's work on the I2C
// bus it is complete: the bit times from the request's start to its last byte.
struct SSimReply
{
    std::vector<unsigned char> report;
    std::uint64_t busBits = 0;
};
