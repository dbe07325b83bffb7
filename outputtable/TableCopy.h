// SPDX-License-Identifier: MIT
#pragma once

#include "STableRowClient.h"
#include "STableRowOrigin.h"
#include "STableRowTime.h"
#include "STransactionRequest.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The clipboard texts of output table rows.
namespace TableCopy {

// One row as the table holds it: its texts, for a row made from bytes the bytes, its
// time, whether it is marked as an error and, for a transaction, where it went and, for a
// write, read or write/read, what was asked of the bus; for another program's transaction,
// which program asked.
struct SRow
{
    QString type;
    QString flags;
    QString shownData;
    std::optional<QByteArray> bytes;
    STableRowTime time;
    bool error = false;
    std::optional<STableRowOrigin> origin{};
    std::optional<STransactionRequest> transfer{};
    std::optional<STableRowClient> client{};
};

// Type, a tab, flags, a tab and the data on one line; one line per row.
QString report(const QList<SRow> &rows);
// The same with the time column's text and a tab before the type.
QString reportWithTime(const QList<SRow> &rows);
// The data on one line (all bytes without offsets, or the row's text); one line per row.
QString data(const QList<SRow> &rows);
// The data text as shown, with its offsets and line breaks; an empty line between rows.
QString dataAsShown(const QList<SRow> &rows);
// The data on one line of a single row, as data() gives it.
QString oneLine(const SRow &row);

} // namespace TableCopy
