// SPDX-License-Identifier: MIT
#include "AtomicFile.h"

#include <QSaveFile>

namespace AtomicFile {

bool Write(const QString &path, const QByteArray &bytes, QString &error)
{
    // Unbuffered: a buffered save file that meets a full disk after a partial write still
    // commits the truncated text, so every write is checked here instead.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        error = file.errorString();
        return false;
    }
    qint64 written = 0;
    while (written < bytes.size()) {
        const qint64 chunk = file.write(bytes.constData() + written, bytes.size() - written);
        if (chunk <= 0) {
            // Uncommitted, the temporary file is removed when `file` goes out of scope.
            error = file.errorString();
            return false;
        }
        written += chunk;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

} // namespace AtomicFile
