#pragma once

#include <QString>

// Text forms of a slave address. An address is always held as its 7-bit value; the
// 8-bit notation (the value shifted left by one) exists only in what is shown and typed.
namespace AddressFormat {

// "0x" and two upper-case hex digits of the address in the chosen notation.
QString format(unsigned char address, bool eightBit);

} // namespace AddressFormat
