// SPDX-License-Identifier: MIT
#include "RegisterBits.h"

namespace RegisterBits {

std::uint32_t Mask(const SRegisterField &field)
{
    // 64-bit arithmetic: a field of all 32 bits must not shift by the type's width.
    const std::uint64_t ones = (std::uint64_t(1) << field.Width()) - 1;
    return std::uint32_t(ones << field.lsb);
}

std::uint32_t Extract(std::uint32_t registerValue, const SRegisterField &field)
{
    return (registerValue & Mask(field)) >> field.lsb;
}

std::uint32_t Insert(std::uint32_t registerValue, const SRegisterField &field,
                     std::uint32_t fieldValue)
{
    const std::uint32_t mask = Mask(field);
    return (registerValue & ~mask) | (std::uint32_t(std::uint64_t(fieldValue) << field.lsb) & mask);
}

std::int64_t Number(std::uint32_t raw, const SRegisterField &field)
{
    const int width = field.Width();
    if (!field.isSigned || width <= 0 || width > 32)
        return raw;
    const std::uint64_t sign = std::uint64_t(1) << (width - 1);
    if ((raw & sign) == 0)
        return raw;
    return std::int64_t(raw) - std::int64_t(sign << 1);
}

bool Fits(std::uint64_t value, int bits)
{
    return bits >= 64 || value < (std::uint64_t(1) << bits);
}

std::vector<unsigned char> ToBytes(std::uint32_t value, int size, ERegisterByteOrder order)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
    for (int i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(value >> (8 * i));
        const int at = order == ERegisterByteOrder::Big ? size - 1 - i : i;
        bytes[std::size_t(at)] = byte;
    }
    return bytes;
}

std::optional<std::uint32_t> FromBytes(const std::vector<unsigned char> &bytes, std::size_t offset,
                                       int size, ERegisterByteOrder order)
{
    if (offset > bytes.size() || bytes.size() - offset < std::size_t(size))
        return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 0; i < size; ++i) {
        const int at = order == ERegisterByteOrder::Big ? i : size - 1 - i;
        value = value << 8 | bytes[offset + std::size_t(at)];
    }
    return value;
}

std::vector<unsigned char> AddressBytes(std::uint32_t address, int addressBytes)
{
    return ToBytes(address, addressBytes, ERegisterByteOrder::Big);
}

} // namespace RegisterBits
