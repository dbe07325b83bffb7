// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>
#include <limits>
#include <optional>
#include <vector>

// Numbers, bytes and slave addresses as people type and read them. The parsers take digits
// only: a sign, a blank inside or a second "0x" that a general number conversion would let
// through must not turn a typo into a byte on the bus. An address is always held as its
// 7-bit value; the 8-bit notation (the value shifted left by one) exists only in text.
namespace NumberText {

inline constexpr std::uint64_t MAX_32_BIT = std::numeric_limits<std::uint32_t>::max();
inline constexpr std::uint64_t MAX_64_BIT = std::numeric_limits<std::uint64_t>::max();

// A text of plain ASCII digits in `base` (10 or 16), at most `max`; no prefix, no sign, no
// blanks.
std::optional<std::uint64_t> ParseDigits(QStringView digits, int base,
                                         std::uint64_t max = MAX_64_BIT);
// `text` without one leading "0x" or "0X".
QStringView WithoutHexPrefix(QStringView text);
// Hex with or without "0x", blanks around it allowed, at most `max`.
std::optional<std::uint64_t> ParseHex(QStringView text, std::uint64_t max = MAX_32_BIT);
// Hex with "0x", else decimal, at most `max`; no blanks.
std::optional<std::uint64_t> ParseHexOrDecimal(QStringView text, std::uint64_t max);
// Hex with "0x" (at most 32 bits), or decimal with an optional minus from -2^31 to 2^32 - 1;
// blanks around it allowed.
std::optional<std::int64_t> ParseInteger(QStringView text);
// The 7-bit address of a hex text (see ParseHex). In 8-bit notation both the write and the
// read form (0xA0, 0xA1) name the same slave.
std::optional<std::uint8_t> ParseAddress(QStringView text, bool eightBit);
// Hex bytes as device files and the command line write them: parts split by blanks, commas
// or semicolons, each with or without "0x", one digit alone or pairs of digits ("01 A5 FF",
// "0x01,0xa5", "01a5ff"). No parts give no bytes.
std::optional<std::vector<unsigned char>> ParseBytes(QStringView text);

// "0x" and at least `digits` upper-case hex digits.
QString Hex(std::uint64_t value, int digits);
// "0x" and two upper-case hex digits of the address in the chosen notation.
QString Address(std::uint8_t address, bool eightBit);

} // namespace NumberText
