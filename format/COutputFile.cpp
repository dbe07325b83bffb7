// SPDX-License-Identifier: MIT
#include "COutputFile.h"

#include "AtomicFile.h"
#include "NativeName.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

// The descriptor a path names without being a file of its own, or -1.
int DescriptorOf(const QString &path)
{
    if (path == "-"_L1 || path == "/dev/stdout"_L1)
        return 1;
    if (path == "/dev/stderr"_L1)
        return 2;
    static const QRegularExpression fdPath(u"^/(dev|proc/self)/fd/(\\d+)$"_s);
    const QRegularExpressionMatch match = fdPath.match(path);
    return match.hasMatch() ? match.captured(2).toInt() : -1;
}

} // namespace

COutputFile::COutputFile(QString path)
    : m_path(std::move(path))
    , m_fd(DescriptorOf(m_path))
{}

bool COutputFile::Check()
{
    m_inPlace = m_fd >= 0;
    if (m_inPlace)
        return true;
    const QByteArray native = NativeName::Encode(m_path);
    struct stat status = {};
    if (::stat(native.constData(), &status) == 0) {
        if (S_ISDIR(status.st_mode))
            return Fail(u"is a folder"_s);
        m_inPlace = !S_ISREG(status.st_mode);
        // A read-only file stays so: replacing it would go round its protection.
        if (::access(native.constData(), W_OK) != 0)
            return Fail(SystemError(errno));
        if (m_inPlace)
            return true;
    } else if (errno != ENOENT) {
        return Fail(SystemError(errno));
    }
    // The replacement is made beside the file, so its folder must take new files.
    const QByteArray folder = NativeName::Encode(QFileInfo(m_path).absolutePath());
    if (::access(folder.constData(), W_OK | X_OK) != 0)
        return Fail(SystemError(errno));
    return true;
}

bool COutputFile::Write(const QByteArray &bytes)
{
    if (!Check())
        return false;
    if (m_inPlace)
        return WriteInPlace(bytes);
    QString error;
    if (!AtomicFile::Write(m_path, bytes, error))
        return Fail(error);
    return true;
}

bool COutputFile::WriteInPlace(const QByteArray &bytes)
{
    const bool own = m_fd < 0;
    const int fd = own ? ::open(NativeName::Encode(m_path).constData(), O_WRONLY | O_NOCTTY) : m_fd;
    if (fd < 0)
        return Fail(SystemError(errno));
    qsizetype written = 0;
    int error = 0;
    while (written < bytes.size()) {
        const ssize_t chunk =
            ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (chunk < 0 && errno == EINTR)
            continue;
        if (chunk <= 0) {
            error = chunk < 0 ? errno : EIO;
            break;
        }
        written += chunk;
    }
    if (own && ::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        return Fail(SystemError(error));
    return true;
}

bool COutputFile::Fail(const QString &error)
{
    m_lastError = error;
    m_lastErrorKind = EFailureKind::FileIo;
    return false;
}
