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

// RFC 4180: the header line "time,duration_us,type,flags,data,error,adapter,speed,address"
// and one record per row (ISO 8601 local time, the duration in microseconds or empty, type,
// flags, the bytes as blank-separated hex pairs or the row's text, 1 or 0 for the error
// mark, then the transaction's adapter, speed and 7-bit address, empty where the row has
// none), every line ended by CR LF. When any row came from another program, the fields
// "origin,origin_pid" follow, with its name and process id, empty on the window's own rows.
// A field is quoted only when it holds a comma, a quote, CR or LF. UTF-8.
QByteArray Csv(const QList<TableCopy::SRow> &rows);

// The lines that Copy Report gives with the time column shown (a row of another program
// with a tab and "vtl-i2c-cli (pid 1234)" after them), each ended by a line feed, after a
// header line naming the adapters, speeds and 7-bit addresses of the rows' transactions
// when any row has them. UTF-8.
QByteArray Text(const QList<TableCopy::SRow> &rows);

QByteArray Contents(const QList<TableCopy::SRow> &rows, EFormat format);

// "Adapter VantrelA SN T-1 at 100 kHz; 7-bit addresses 0x28, 0x50": each adapter and speed,
// then each address, once in the order the rows name them; empty without any.
QString OriginHeader(const QList<TableCopy::SRow> &rows);

} // namespace TableLog
