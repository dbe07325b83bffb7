// SPDX-License-Identifier: MIT
#pragma once

#include "I2cTypes.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The command line's single values. Each parser takes the argument's text and the name
// under which a failure message mentions it ("ADDR", "--speed"), and on failure returns no
// value and leaves a message in `error` that names the argument and what it takes.
namespace CliValues {

// A value as the error messages show it: between single quotes.
QString Quoted(const QString &text);

// A slave address in hex, 7-bit or 8-bit notation, by the window's rules.
std::optional<std::uint8_t> ParseAddress(const QString &text, bool eightBit, const QString &name,
                                         QString &error);
// A count from `min` to `max`: decimal, or hex with "0x"; "010" is ten.
std::optional<std::size_t> ParseCount(const QString &text, std::size_t min, std::size_t max,
                                      const QString &name, QString &error);
// A size in bytes: decimal, or hex with "0x"; from `min` to `max`.
std::optional<std::size_t> ParseSize(const QString &text, std::size_t min, std::size_t max,
                                     const QString &name, QString &error);
// A hex number with or without "0x", at most `max`.
std::optional<std::uint32_t> ParseHexNumber(const QString &text, std::uint32_t max,
                                            const QString &name, QString &error);
// Hex bytes by the device files' rules ("01 A5 FF", "0x01,0xa5", "01a5ff").
std::optional<std::vector<unsigned char>> ParseBytes(const QString &text, const QString &name,
                                                     QString &error);
// A register address: one to four bytes as hex pairs, or with `width` 1 to 4 one hex
// number written as that many bytes, most significant first.
std::optional<std::vector<unsigned char>>
ParseRegister(const QString &text, std::optional<int> width, const QString &name, QString &error);
// A width option's value, one of the numbers in `allowed`.
std::optional<int> ParseChoice(const QString &text, const std::vector<int> &allowed,
                               const QString &name, QString &error);
// 10, 50, 100, 400 or 1000 (kbit/s).
std::optional<EI2cSpeed> ParseSpeed(const QString &text, const QString &name, QString &error);
// "on" or "off".
std::optional<bool> ParseOnOff(const QString &text, const QString &name, QString &error);

// One of i2c-tools' mode arguments (b, w, c, s, i, each perhaps with p for PEC, or p).
bool IsModeLetter(const QString &text);
// Why such an argument is refused where hex bytes or a count stand, with the i2c-tools
// subcommand `tool` that takes it.
QString ModeLetterMessage(const QString &name, const QString &text, const QString &tool);
// 0x00-0x07 and 0x78-0x7F.
bool IsReservedAddress(std::uint8_t address);
// `typed`: the address as the user wrote it, named in 8-bit notation (0xA1 and 0xA0 are
// one slave); empty for one that no argument spelled out.
QString ReservedAddressMessage(std::uint8_t address, bool eightBit, const QString &typed = {});

// The bus clock of a speed code in kbit/s.
int SpeedKbits(EI2cSpeed speed);

} // namespace CliValues
