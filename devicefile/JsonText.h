// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QJsonParseError>
#include <QJsonValue>
#include <QString>

#include <cstdint>
#include <optional>

// The pieces a device file's writer assembles its fixed layout from, each exactly as Qt's
// JSON writer writes that value in compact form, so any JSON reader reads them back.
namespace JsonText {

// `s` as one JSON string literal, with the quotation marks.
QString String(const QString &s);
// The key as a string literal, ": " and the already formatted value.
QString Pair(const QString &key, const QString &valueText);
// The shortest text that reads back as the same number.
QString Number(double value);

// A hex number as a string ("0x1F", "1f") or a whole JSON number, at most 32 bits.
std::optional<std::uint64_t> ParseNumberOrHex(const QJsonValue &value);

// The reader's complaint about `bytes` with the line and column it points at (both counted
// from 1, the column in characters), where an editor shows them.
QString ParseErrorText(const QByteArray &bytes, const QJsonParseError &error);

} // namespace JsonText
