// SPDX-License-Identifier: MIT
#include "EepromAddressing.h"

#include <algorithm>

namespace EepromAddressing {

SEepromLocation Locate(const SEepromPart &part, std::uint8_t base, std::size_t offset)
{
    SEepromLocation location;
    const std::size_t block = offset / part.BlockSize();
    location.deviceAddress = static_cast<std::uint8_t>(
        (base & ~part.BlockMask()) | ((block << part.blockShift) & part.BlockMask()));
    for (int shift = (part.addressBytes - 1) * 8; shift >= 0; shift -= 8)
        location.addressBytes.push_back(static_cast<unsigned char>(offset >> shift));
    return location;
}

std::size_t ReadSpan(const SEepromPart &part, std::size_t offset, std::size_t length)
{
    return std::min(length, part.BlockSize() - offset % part.BlockSize());
}

std::size_t WriteSpan(const SEepromPart &part, std::size_t offset, std::size_t length)
{
    return std::min(length, part.pageSize - offset % part.pageSize);
}

} // namespace EepromAddressing
