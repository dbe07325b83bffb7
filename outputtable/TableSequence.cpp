// SPDX-License-Identifier: MIT
#include "TableSequence.h"

#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace TableSequence {

SSequenceRecording FromRows(const QList<TableCopy::SRow> &rows, bool delays)
{
    std::vector<STransactionRecord> records;
    int notTransfers = 0;
    for (const TableCopy::SRow &row : rows) {
        if (!row.transfer || row.error) {
            ++notTransfers;
            continue;
        }
        STransactionRecord record;
        record.ok = true;
        record.request = *row.transfer;
        record.startedMs = row.time.startedMs;
        record.durationUs = row.time.durationUs.value_or(0);
        records.push_back(std::move(record));
    }
    SSequenceRecording recording = SequenceRecording::FromRecords(records, delays);
    recording.skipped += notTransfers;
    return recording;
}

QString FileText(const QStringList &lines)
{
    return lines.isEmpty() ? QString() : lines.join(u'\n') + u'\n';
}

} // namespace TableSequence
