// SPDX-License-Identifier: MIT
#include "TableLog.h"

#include "CsvFormat.h"
#include "TimeFormat.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace TableLog {

namespace {

const QString CSV_HEADER = u"time,duration_us,type,flags,data,error,adapter,speed,address"_s;
const QString CSV_CLIENT_FIELDS = u",origin,origin_pid"_s;

bool anyClient(const QList<TableCopy::SRow> &rows)
{
    return std::any_of(rows.begin(), rows.end(),
                       [](const TableCopy::SRow &row) { return row.client.has_value(); });
}

} // namespace

EFormat FormatOf(const QString &path)
{
    return path.endsWith(u".txt"_s, Qt::CaseInsensitive) ? EFormat::Text : EFormat::Csv;
}

QByteArray Csv(const QList<TableCopy::SRow> &rows)
{
    // Logs of the window's own rows keep the fields they always had.
    const bool clients = anyClient(rows);
    QString out;
    out.reserve(CSV_HEADER.size() + 2 + rows.size() * 64);
    out += CSV_HEADER;
    if (clients)
        out += CSV_CLIENT_FIELDS;
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
        out += u',';
        if (row.origin) {
            CsvFormat::AppendField(out, row.origin->adapter);
            out += u',';
            CsvFormat::AppendField(out, row.origin->speed);
            out += u',';
            out += row.origin->AddressText();
        } else {
            out += u",,"_s;
        }
        if (clients) {
            out += u',';
            if (row.client) {
                CsvFormat::AppendField(out, row.client->program);
                out += u',' + QString::number(row.client->pid);
            } else {
                out += u',';
            }
        }
        out += CsvFormat::LINE_END;
    }
    return out.toUtf8();
}

QByteArray Text(const QList<TableCopy::SRow> &rows)
{
    if (rows.isEmpty())
        return {};
    QString out = OriginHeader(rows);
    if (!out.isEmpty())
        out += u'\n';
    for (const TableCopy::SRow &row : rows) {
        out += TableCopy::reportWithTime({row});
        if (row.client)
            out += u'\t' + row.client->Text();
        out += u'\n';
    }
    return out.toUtf8();
}

QString OriginHeader(const QList<TableCopy::SRow> &rows)
{
    QStringList adapters;
    QStringList addresses;
    for (const TableCopy::SRow &row : rows) {
        if (!row.origin)
            continue;
        const QString adapter = row.origin->adapter + u" at "_s + row.origin->speed;
        if (!adapters.contains(adapter))
            adapters << adapter;
        const QString address = row.origin->AddressText();
        if (!address.isEmpty() && !addresses.contains(address))
            addresses << address;
    }
    if (adapters.isEmpty())
        return {};
    QString header = u"Adapter "_s + adapters.join(u", "_s);
    if (!addresses.isEmpty())
        header += u"; 7-bit addresses "_s + addresses.join(u", "_s);
    return header;
}

QByteArray Contents(const QList<TableCopy::SRow> &rows, EFormat format)
{
    return format == EFormat::Text ? Text(rows) : Csv(rows);
}

} // namespace TableLog
