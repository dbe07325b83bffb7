// SPDX-License-Identifier: MIT
#include "CLogFile.h"

#include "TableLog.h"

#include <QSaveFile>

bool CLogFile::Save(const QString &path, const QList<TableCopy::SRow> &rows)
{
    const QByteArray bytes = TableLog::Contents(rows, TableLog::FormatOf(path));
    // Unbuffered: a buffered save file that meets a full disk after a partial write still
    // commits the truncated text, so every write is checked here instead.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_lastError = file.errorString();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 chunk = file.write(bytes.constData() + written, bytes.size() - written);
        if (chunk <= 0) {
            // Uncommitted, the temporary file is removed when `file` goes out of scope.
            m_lastError = file.errorString();
            return false;
        }
        written += chunk;
    }
    if (!file.commit()) {
        m_lastError = file.errorString();
        return false;
    }
    return true;
}
