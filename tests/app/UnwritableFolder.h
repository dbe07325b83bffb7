// SPDX-License-Identifier: MIT
#pragma once

#include <QDir>
#include <QFile>
#include <QString>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

// Keeps a folder from taking new files while it lives: read-only permissions, and where
// those do not bind (tests run as root on the build machines) the immutable attribute.
class CUnwritableFolder
{
public:
    explicit CUnwritableFolder(const QString &path)
        : m_path(path)
        , m_permissions(QFile::permissions(path))
    {
        QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        if (IsWritable())
            m_immutable = SetImmutable(true);
    }
    ~CUnwritableFolder()
    {
        if (m_immutable)
            SetImmutable(false);
        QFile::setPermissions(m_path, m_permissions);
    }
    CUnwritableFolder(const CUnwritableFolder &) = delete;
    CUnwritableFolder &operator=(const CUnwritableFolder &) = delete;

    bool IsWritable() const
    {
        QFile probe(QDir(m_path).filePath(QStringLiteral("probe")));
        if (!probe.open(QIODevice::WriteOnly))
            return false;
        probe.close();
        probe.remove();
        return true;
    }

private:
    bool SetImmutable(bool on) const
    {
        const int fd = open(QFile::encodeName(m_path).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        close(fd);
        return done;
    }

    QString m_path;
    QFileDevice::Permissions m_permissions;
    bool m_immutable = false;
};
