// SPDX-License-Identifier: MIT
#pragma once

#include "SMemoryImage.h"

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

// What the record formats (Intel HEX, S-record) share: lines of hex pairs after a marker,
// and appending each record's data to the image.
namespace ImageRecords {

// The bytes of one line's hex pairs, or none with the reason in `error`.
std::optional<std::vector<unsigned char>> HexPairs(const QByteArray &digits, QString &error);

// Calls `record` for each non-blank line with its number and text (no line end), until it
// returns false.
void ForEachLine(const QByteArray &text,
                 const std::function<bool(int line, const QByteArray &record)> &record);

// Adds data at `offset`, joining the last segment when it touches it.
void Append(SMemoryImage &image, std::size_t offset, const unsigned char *data, std::size_t length);

QString LineError(int line, const QString &what);

// Two upper-case hex digits of each byte.
void AppendHex(QByteArray &line, const std::vector<unsigned char> &bytes);

} // namespace ImageRecords
