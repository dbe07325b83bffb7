// SPDX-License-Identifier: MIT
#pragma once

#include "SEepromPart.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Where one memory offset lives on the bus: the device address that selects its block and
// the address bytes, high byte first, that a transaction writes before the data.
struct SEepromLocation
{
    std::uint8_t deviceAddress = 0;
    std::vector<unsigned char> addressBytes;
};

namespace EepromAddressing {

SEepromLocation Locate(const SEepromPart &part, std::uint8_t base, std::size_t offset);

// How many bytes from `offset` on stay within one transaction's reach: a read within the
// block (the device address changes after it), a write within the page.
std::size_t ReadSpan(const SEepromPart &part, std::size_t offset, std::size_t length);
std::size_t WriteSpan(const SEepromPart &part, std::size_t offset, std::size_t length);

} // namespace EepromAddressing
