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

// The prefix that makes a typed value the field's bits rather than what the field shows.
inline const QString RAW_PREFIX = QStringLiteral("raw:");

// A field value typed as FieldMeaning shows it, so that what a read prints can be written
// back: a field with a scale, offset or unit takes a decimal number in its unit (the unit may
// follow), rounded to the nearest step; an enum field one of its texts (letter case aside),
// or the number of a value that has none; a one-bit flag set, clear, 1 or 0; any other field
// its number (negative for a signed one). RAW_PREFIX and hex with "0x" or decimal give the
// bits themselves: 0 to all ones, or a negative number for a signed field. A value outside the
// field's range is refused with the range, in the unit for a scaled field.
std::optional<std::uint32_t> ParseShownFieldValue(const SRegister &reg, const SRegisterField &field,
                                                  const QString &text, QString &error);

} // namespace RegisterText
