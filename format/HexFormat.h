// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

// Byte data as the output table shows it: two upper-case hex digits per byte, blanks
// between bytes, and, when the data spans several lines, each line prefixed with the
// offset of its first byte.
namespace HexFormat {

// Exactly two upper-case hex digits ("0A", "FF").
QString hexByte(unsigned char byte);

// `bytesPerLine` bytes to a line (0 or less: one line); lines are joined by "\n" and
// carry hex or decimal offsets, all of the width the last line's offset needs.
QString lines(const QByteArray &data, int bytesPerLine, bool offsetDecimal);

// How many lines lines() gives for data of that size.
qsizetype lineCount(qsizetype size, int bytesPerLine);

} // namespace HexFormat
