// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>

// Facts of the I2C bus and of this program's transfers that several layers check against.
namespace I2cFacts {

// 0x00-0x07 and 0x78-0x7F are reserved (general call, CBUS, 10-bit addressing and others);
// searches and plain commands stay within the regular range.
inline constexpr std::uint8_t FIRST_REGULAR_ADDRESS = 0x08;
inline constexpr std::uint8_t LAST_REGULAR_ADDRESS = 0x77;
inline constexpr std::uint8_t LAST_ADDRESS = 0x7F;

constexpr bool IsReservedAddress(std::uint8_t address)
{
    return address < FIRST_REGULAR_ADDRESS || address > LAST_REGULAR_ADDRESS;
}

// The most bytes one read may ask for (the length field of the adapters' read command).
inline constexpr std::size_t MAX_READ_COUNT = 65535;

// Bytes shown as themselves beside hex; every other byte shows as a dot.
inline constexpr unsigned char FIRST_PRINTABLE = 0x20;
inline constexpr unsigned char LAST_PRINTABLE = 0x7E;

constexpr bool IsPrintable(unsigned char byte)
{
    return byte >= FIRST_PRINTABLE && byte <= LAST_PRINTABLE;
}

} // namespace I2cFacts
