// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// The Data cell with its bytes as text beside the hex: each hex line followed by two blanks
// and its bytes as printable ASCII, a dot for every other byte.
namespace AsciiColumn {

// The bytes as text, a dot for each byte outside 0x20..0x7E.
QString Text(const QByteArray &bytes);

// The hex lines that HexFormat::lines gives, each followed by its bytes as text; on
// several lines the short last one is padded, so the text starts in one column.
QString Lines(const QByteArray &data, int bytesPerLine, bool offsetDecimal);

} // namespace AsciiColumn
