// SPDX-License-Identifier: MIT
#include "CLogFile.h"

#include "AtomicFile.h"
#include "TableLog.h"

bool CLogFile::Save(const QString &path, const QList<TableCopy::SRow> &rows)
{
    return Save(path, rows, TableLog::FormatOf(path));
}

bool CLogFile::Save(const QString &path, const QList<TableCopy::SRow> &rows,
                    TableLog::EFormat format)
{
    return AtomicFile::Write(path, TableLog::Contents(rows, format), m_lastError);
}
