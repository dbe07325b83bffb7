// SPDX-License-Identifier: MIT
#pragma once

#include "TableCopy.h"
#include "TableLog.h"

#include <QList>
#include <QString>

// Writes output table rows to a log file in the format its name asks for (TableLog). The
// file is replaced atomically: a save that fails leaves an existing file as it was, and
// GetLastError() tells why.
class CLogFile
{
public:
    bool Save(const QString &path, const QList<TableCopy::SRow> &rows);
    bool Save(const QString &path, const QList<TableCopy::SRow> &rows, TableLog::EFormat format);
    const QString &GetLastError() const { return m_lastError; }

private:
    QString m_lastError;
};
