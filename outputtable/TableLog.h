// SPDX-License-Identifier: MIT
#pragma once

#include "TableCopy.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The contents of a log file of output table rows.
namespace TableLog {

enum class EFormat
{
    Csv,
    Text,
};

// Text for a name ending in ".txt" (in any letter case), CSV for every other name.
EFormat FormatOf(const QString &path);

// RFC 4180: the header line "time,duration_us,type,flags,data,error" and one record per
// row (ISO 8601 local time, the duration in microseconds or empty, type, flags, the bytes
// as blank-separated hex pairs or the row's text, 1 or 0 for the error mark), every line
// ended by CR LF. A field is quoted only when it holds a comma, a quote, CR or LF. UTF-8.
QByteArray Csv(const QList<TableCopy::SRow> &rows);

// The lines that Copy Report gives with the time column shown, each ended by a line
// feed. UTF-8.
QByteArray Text(const QList<TableCopy::SRow> &rows);

QByteArray Contents(const QList<TableCopy::SRow> &rows, EFormat format);

} // namespace TableLog
