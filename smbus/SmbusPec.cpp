// SPDX-License-Identifier: MIT
#include "SmbusPec.h"

namespace SmbusPec {

namespace {

constexpr std::uint8_t POLYNOMIAL = 0x07;

} // namespace

std::uint8_t Update(std::uint8_t crc, std::uint8_t byte)
{
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = static_cast<std::uint8_t>((crc & 0x80) != 0 ? (crc << 1) ^ POLYNOMIAL : crc << 1);
    return crc;
}

std::uint8_t Compute(const std::vector<unsigned char> &bytes, std::uint8_t crc)
{
    for (const unsigned char byte : bytes)
        crc = Update(crc, byte);
    return crc;
}

} // namespace SmbusPec
