// SPDX-License-Identifier: MIT
#include "CLogFile.h"

#include "AtomicFile.h"
#include "TableLog.h"

bool CLogFile::Save(const QString &path, const QList<TableCopy::SRow> &rows)
{
    const QByteArray bytes = TableLog::Contents(rows, TableLog::FormatOf(path));
    return AtomicFile::Write(path, bytes, m_lastError);
}
