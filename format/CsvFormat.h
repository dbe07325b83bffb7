// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringView>

// Fields of comma-separated text as RFC 4180 has them: a field is quoted only when it holds
// a comma, a quotation mark, a carriage return or a line feed, and a quotation mark in it
// is doubled. Lines end in CR LF.
namespace CsvFormat {

inline constexpr QStringView LINE_END = u"\r\n";

void AppendField(QString &out, QStringView field);

} // namespace CsvFormat
