// SPDX-License-Identifier: MIT
#pragma once

#include "SequenceRecording.h"
#include "TableCopy.h"

#include <QList>
#include <QString>
#include <QStringList>

// Rows of the output table as the lines of a sequence that sends their transfers again.
namespace TableSequence {

// Rows that hold a write, read or write/read that went through become steps, with the
// pauses between them as delays when `delays` is set; every other row (a failed transfer, a
// search, a summary, a note) counts as skipped.
SSequenceRecording FromRows(const QList<TableCopy::SRow> &rows, bool delays);

// The text of a `.i2cseq` file of these lines.
QString FileText(const QStringList &lines);

} // namespace TableSequence
