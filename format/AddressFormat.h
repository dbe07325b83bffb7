// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// Text forms of a slave address. An address is always held as its 7-bit value; the
// 8-bit notation (the value shifted left by one) exists only in what is shown and typed.
namespace AddressFormat {

// "0x" and two upper-case hex digits of the address in the chosen notation.
QString format(unsigned char address, bool eightBit);

// The 7-bit address of a typed hex text, with or without "0x", blanks around it allowed.
// In 8-bit notation both the write and the read form (0xA0, 0xA1) name the same slave.
std::optional<unsigned char> parse(const QString &text, bool eightBit);

} // namespace AddressFormat
