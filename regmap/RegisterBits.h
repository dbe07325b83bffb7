// SPDX-License-Identifier: MIT
#pragma once

#include "SRegisterMap.h"

#include <cstdint>
#include <optional>
#include <vector>

// A register's value as bits and as bytes on the wire.
namespace RegisterBits {

// The bits of the field set, in the register's value.
std::uint32_t Mask(const SRegisterField &field);
// The field's bits moved down to bit 0.
std::uint32_t Extract(std::uint32_t registerValue, const SRegisterField &field);
// The register's value with the field's bits replaced by `fieldValue` (cut to the field).
std::uint32_t Insert(std::uint32_t registerValue, const SRegisterField &field,
                     std::uint32_t fieldValue);
// The field's raw value read as a number: sign-extended within its width when signed.
std::int64_t Number(std::uint32_t raw, const SRegisterField &field);
// Whether `value` fits into `bits` bits.
bool Fits(std::uint64_t value, int bits);

// `size` bytes of the value in the map's byte order.
std::vector<unsigned char> ToBytes(std::uint32_t value, int size, ERegisterByteOrder order);
// The value of the first `size` bytes, or none when there are fewer.
std::optional<std::uint32_t> FromBytes(const std::vector<unsigned char> &bytes, std::size_t offset,
                                       int size, ERegisterByteOrder order);
// The register address as it is sent before the data: 1 or 2 bytes, high byte first.
std::vector<unsigned char> AddressBytes(std::uint32_t address, int addressBytes);

} // namespace RegisterBits
