// SPDX-License-Identifier: MIT
#include "TableCopy.h"

#include "HexFormat.h"
#include "TimeFormat.h"

using namespace Qt::StringLiterals;

namespace TableCopy {

QString oneLine(const SRow &row)
{
    return row.bytes ? HexFormat::lines(*row.bytes, 0, false) : row.shownData;
}

QString report(const QList<SRow> &rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const SRow &row : rows)
        lines << row.type + u'\t' + row.flags + u'\t' + oneLine(row);
    return lines.join(u'\n');
}

QString reportWithTime(const QList<SRow> &rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const SRow &row : rows) {
        lines << TimeFormat::Cell(row.time.startedMs, row.time.durationUs) + u'\t' + row.type +
                     u'\t' + row.flags + u'\t' + oneLine(row);
    }
    return lines.join(u'\n');
}

QString data(const QList<SRow> &rows)
{
    QStringList lines;
    lines.reserve(rows.size());
    for (const SRow &row : rows)
        lines << oneLine(row);
    return lines.join(u'\n');
}

QString dataAsShown(const QList<SRow> &rows)
{
    QStringList entries;
    entries.reserve(rows.size());
    for (const SRow &row : rows)
        entries << row.shownData;
    return entries.join("\n\n"_L1);
}

} // namespace TableCopy
