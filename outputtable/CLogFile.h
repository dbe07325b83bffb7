// SPDX-License-Identifier: MIT
#pragma once

#include "TableCopy.h"
#include "TableLog.h"

#include <QList>
#include <QString>

// Writes output table rows to a log file in the format its name asks for (TableLog), as the
// command line writes its files (COutputFile): a regular file is replaced atomically, so a
// save that fails leaves it as it was; a FIFO or a device is written in place; a folder is
// refused. GetLastError() gives the system's cause.
class CLogFile
{
public:
    bool Save(const QString &path, const QList<TableCopy::SRow> &rows);
    bool Save(const QString &path, const QList<TableCopy::SRow> &rows, TableLog::EFormat format);
    const QString &GetLastError() const { return m_lastError; }

private:
    QString m_lastError;
};
