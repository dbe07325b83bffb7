// SPDX-License-Identifier: MIT
#include "TableLog.h"

#include "CsvFormat.h"
#include "TimeFormat.h"

using namespace Qt::StringLiterals;

namespace TableLog {

namespace {

const QString CSV_HEADER = u"time,duration_us,type,flags,data,error"_s;

} // namespace

EFormat FormatOf(const QString &path)
{
    return path.endsWith(u".txt"_s, Qt::CaseInsensitive) ? EFormat::Text : EFormat::Csv;
}

QByteArray Csv(const QList<TableCopy::SRow> &rows)
{
    QString out;
    out.reserve(CSV_HEADER.size() + 2 + rows.size() * 64);
    out += CSV_HEADER;
    out += CsvFormat::LINE_END;
    for (const TableCopy::SRow &row : rows) {
        out += TimeFormat::Iso(row.time.startedMs);
        out += u',';
        if (row.time.durationUs)
            out += QString::number(*row.time.durationUs);
        out += u',';
        CsvFormat::AppendField(out, row.type);
        out += u',';
        CsvFormat::AppendField(out, row.flags);
        out += u',';
        CsvFormat::AppendField(out, TableCopy::oneLine(row));
        out += u',';
        out += row.error ? u'1' : u'0';
        out += CsvFormat::LINE_END;
    }
    return out.toUtf8();
}

QByteArray Text(const QList<TableCopy::SRow> &rows)
{
    if (rows.isEmpty())
        return {};
    return (TableCopy::reportWithTime(rows) + u'\n').toUtf8();
}

QByteArray Contents(const QList<TableCopy::SRow> &rows, EFormat format)
{
    return format == EFormat::Text ? Text(rows) : Csv(rows);
}

} // namespace TableLog
