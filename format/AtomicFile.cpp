// SPDX-License-Identifier: MIT
#include "AtomicFile.h"

#include "NativeName.h"

#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace AtomicFile {

namespace {

// A name Qt cannot open (bytes that are not UTF-8) is replaced by its bytes, in the same steps
// as QSaveFile takes.
bool WriteByBytes(const QString &path, const QByteArray &bytes, QString &error)
{
    const auto fail = [&error](int code) {
        error = QString::fromLocal8Bit(std::strerror(code));
        return false;
    };
    const QByteArray target = NativeName::Encode(path);
    const qsizetype slash = target.lastIndexOf('/');
    // The new text is made beside the old, so that the rename cannot cross file systems.
    QByteArray temporary = (slash < 0 ? QByteArray() : target.left(slash + 1)) + ".vtl-XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return fail(errno);
    // A replaced file keeps its permissions; a new one gets the usual ones.
    struct stat status = {};
    mode_t mode = 0;
    if (::stat(target.constData(), &status) == 0) {
        mode = status.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    int code = ::fchmod(fd, mode) == 0 ? 0 : errno;
    for (qsizetype written = 0; code == 0 && written < bytes.size();) {
        const ssize_t chunk =
            ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (chunk < 0 && errno == EINTR)
            continue;
        if (chunk <= 0)
            code = chunk < 0 ? errno : EIO;
        else
            written += chunk;
    }
    if (code == 0 && ::fsync(fd) != 0)
        code = errno;
    if (::close(fd) != 0 && code == 0)
        code = errno;
    if (code == 0 && ::rename(temporary.constData(), target.constData()) != 0)
        code = errno;
    if (code != 0) {
        ::unlink(temporary.constData());
        return fail(code);
    }
    return true;
}

} // namespace

bool Write(const QString &path, const QByteArray &bytes, QString &error)
{
    if (NativeName::HasRawBytes(path))
        return WriteByBytes(path, bytes, error);
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
