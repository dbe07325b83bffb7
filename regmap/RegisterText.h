// SPDX-License-Identifier: MIT
#pragma once

#include "SRegisterMap.h"

#include <QString>

#include <cstdint>
#include <optional>

// Registers and fields as people read and type them: hex values of the register's width,
// bit ranges, and meanings (a scaled number with unit, an enum text, set or clear).
namespace RegisterText {

// "0x" and the value in two hex digits per byte of `size`.
QString Hex(std::uint32_t value, int size);
// The register address in two hex digits per address byte.
QString Address(std::uint32_t address, int addressBytes);
// "[15:4]", or "[8]" for one bit.
QString Bits(const SRegisterField &field);

// The meaning of a field's raw value: its enum text, raw * scale + add with the unit, "set"
// or "clear" for one bit, else the number (signed when the field is).
QString FieldMeaning(const SRegisterField &field, std::uint32_t raw);
// "T=25.06 °C" for one field, the fields' meanings joined by ", " for more, empty without.
QString RegisterMeaning(const SRegister &reg, std::uint32_t value);

// A typed register value: hex with "0x", or decimal; it must fit the register.
std::optional<std::uint32_t> ParseRegisterValue(const SRegister &reg, const QString &text,
                                                QString &error);
// A typed field value: hex with "0x", decimal (negative for a signed field), or one of the
// field's enum texts (letter case aside); it must fit the field.
std::optional<std::uint32_t> ParseFieldValue(const SRegister &reg, const SRegisterField &field,
                                             const QString &text, QString &error);

} // namespace RegisterText
