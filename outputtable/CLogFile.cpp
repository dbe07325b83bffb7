// SPDX-License-Identifier: MIT
#include "CLogFile.h"

#include "COutputFile.h"
#include "TableLog.h"

bool CLogFile::Save(const QString &path, const QList<TableCopy::SRow> &rows)
{
    return Save(path, rows, TableLog::FormatOf(path));
}

bool CLogFile::Save(const QString &path, const QList<TableCopy::SRow> &rows,
                    TableLog::EFormat format)
{
    COutputFile file(path);
    if (file.Write(TableLog::Contents(rows, format)))
        return true;
    m_lastError = file.GetLastError();
    return false;
}
