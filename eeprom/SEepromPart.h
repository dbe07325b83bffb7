// SPDX-License-Identifier: MIT
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

// The shape of a 24-series serial EEPROM. Offsets beyond what the address bytes reach go
// into `blockBits` bits of the device address, from bit `blockShift` on (24x04 to 24x16:
// bits 0 to 2; 24x1025: bit 2; 24x1026, 24xM01, 24xM02: from bit 0).
struct SEepromPart
{
    std::string name; // "24x256"; empty for a custom geometry
    std::size_t size = 0;
    std::size_t pageSize = 0;
    int addressBytes = 1;
    int blockBits = 0;
    int blockShift = 0;
    std::chrono::microseconds writeCycle{5000}; // the longest a write cycle may take

    // Bytes one device address reaches with its address bytes.
    std::size_t BlockSize() const { return std::size_t(1) << (8 * addressBytes); }
    std::uint8_t BlockMask() const
    {
        return static_cast<std::uint8_t>(((1u << blockBits) - 1u) << blockShift);
    }
};
