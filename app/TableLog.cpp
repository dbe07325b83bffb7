// SPDX-License-Identifier: MIT
#include "TableLog.h"

#include "TimeFormat.h"

using namespace Qt::StringLiterals;

namespace TableLog {

namespace {

const QString CSV_HEADER = u"time,duration_us,type,flags,data,error"_s;
constexpr QStringView CSV_LINE_END = u"\r\n";

bool needsQuotes(QStringView field)
{
    for (const QChar c : field) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return true;
    }
    return false;
}

void appendField(QString &out, const QString &field)
{
    if (!needsQuotes(field)) {
        out += field;
        return;
    }
    out += u'"';
    for (const QChar c : field) {
        if (c == u'"')
            out += u'"';
        out += c;
    }
    out += u'"';
}

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
    out += CSV_LINE_END;
    for (const TableCopy::SRow &row : rows) {
        out += TimeFormat::Iso(row.time.startedMs);
        out += u',';
        if (row.time.durationUs)
            out += QString::number(*row.time.durationUs);
        out += u',';
        appendField(out, row.type);
        out += u',';
        appendField(out, row.flags);
        out += u',';
        appendField(out, TableCopy::oneLine(row));
        out += u',';
        out += row.error ? u'1' : u'0';
        out += CSV_LINE_END;
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
