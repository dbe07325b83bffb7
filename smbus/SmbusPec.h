// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <vector>

// The SMBus packet error code: CRC-8 with the polynomial x^8 + x^2 + x + 1 (0x07), no
// reflection, starting from 0, over every byte of the transaction including the address
// bytes.
namespace SmbusPec {

std::uint8_t Update(std::uint8_t crc, std::uint8_t byte);
std::uint8_t Compute(const std::vector<unsigned char> &bytes, std::uint8_t crc = 0);

} // namespace SmbusPec
