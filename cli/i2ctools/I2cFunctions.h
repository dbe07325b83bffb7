// SPDX-License-Identifier: MIT
#pragma once

#include "SBusAdapterInfo.h"

#include <cstdint>

// The functionality bits of a Linux I2C adapter, with the kernel's values, so that what
// `i2cdetect -F` lists and what each program checks match the kernel's I2C_FUNCS word.
namespace I2cFunctions {

inline constexpr std::uint32_t I2C = 0x00000001;
inline constexpr std::uint32_t SMBUS_PEC = 0x00000008;
inline constexpr std::uint32_t SMBUS_BLOCK_PROC_CALL = 0x00008000;
inline constexpr std::uint32_t SMBUS_QUICK = 0x00010000;
inline constexpr std::uint32_t SMBUS_READ_BYTE = 0x00020000;
inline constexpr std::uint32_t SMBUS_WRITE_BYTE = 0x00040000;
inline constexpr std::uint32_t SMBUS_READ_BYTE_DATA = 0x00080000;
inline constexpr std::uint32_t SMBUS_WRITE_BYTE_DATA = 0x00100000;
inline constexpr std::uint32_t SMBUS_READ_WORD_DATA = 0x00200000;
inline constexpr std::uint32_t SMBUS_WRITE_WORD_DATA = 0x00400000;
inline constexpr std::uint32_t SMBUS_PROC_CALL = 0x00800000;
inline constexpr std::uint32_t SMBUS_READ_BLOCK_DATA = 0x01000000;
inline constexpr std::uint32_t SMBUS_WRITE_BLOCK_DATA = 0x02000000;
inline constexpr std::uint32_t SMBUS_READ_I2C_BLOCK = 0x04000000;
inline constexpr std::uint32_t SMBUS_WRITE_I2C_BLOCK = 0x08000000;

// What the connected model can do, from what the SMBus layer can carry on it.
std::uint32_t ForAdapter(const SBusAdapterInfo &adapter);

} // namespace I2cFunctions
