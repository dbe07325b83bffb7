// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// The single values of the message syntax, shared by the command line and sequences. Each
// parser takes the value's text and the name under which a failure message mentions it,
// and on failure returns no value and leaves a message in `error` that names the value
// and what it takes.
namespace MessageValues {

// A value as the error messages show it: between single quotes.
QString Quoted(const QString &text);

// A slave address in hex, 7-bit or 8-bit notation, by the window's rules.
std::optional<std::uint8_t> ParseAddress(const QString &text, bool eightBit, const QString &name,
                                         QString &error);
// A decimal count from `min` to `max`.
std::optional<std::size_t> ParseCount(const QString &text, std::size_t min, std::size_t max,
                                      const QString &name, QString &error);
// Hex bytes by the device files' rules ("01 A5 FF", "0x01,0xa5", "01a5ff").
std::optional<std::vector<unsigned char>> ParseBytes(const QString &text, const QString &name,
                                                     QString &error);

} // namespace MessageValues
