// SPDX-License-Identifier: MIT
#include "TrashFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)

// The freedesktop.org trash folders: the home trash in the data folder, and on other volumes
// "$topdir/.Trash/$uid" or "$topdir/.Trash-$uid"; a trashed file lies in their "files".
bool IsInTrashFolder(const QString &pathInTrash)
{
    const QDir files = QFileInfo(pathInTrash).absoluteDir();
    if (files.dirName() != "files"_L1)
        return false;
    const QFileInfo trash(files.absolutePath() + u"/.."_s);
    const QString trashPath = trash.canonicalFilePath();
    if (trashPath.isEmpty())
        return false;
    const QString uid = QString::number(::getuid());
    const QString name = QFileInfo(trashPath).fileName();
    if (name == ".Trash-"_L1 + uid)
        return true;
    if (name == uid && QFileInfo(QFileInfo(trashPath).absolutePath()).fileName() == ".Trash"_L1)
        return true;
    const QString homeTrash =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + u"/Trash"_s;
    return trashPath == QFileInfo(homeTrash).canonicalFilePath();
}

// Puts a file that landed in a stray "files" folder back and removes what the move left:
// its ".trashinfo" record and the two folders, when empty.
void UndoStrayMove(const QString &path, const QString &pathInTrash)
{
    const QFileInfo moved(pathInTrash);
    QDir base = moved.absoluteDir();
    if (!moved.exists() || base.dirName() != "files"_L1 || !base.cdUp())
        return;
    QFile::rename(moved.absoluteFilePath(), path);
    QFile::remove(base.filePath(u"info/"_s + moved.fileName() + u".trashinfo"_s));
    base.rmdir(u"files"_s);
    base.rmdir(u"info"_s);
}

#endif

} // namespace

bool MoveFileToTrash(const QString &path)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_DARWIN)
    // Qt 6.4 builds the home trash inside the data folder but does not create that folder;
    // without it, it "trashes" into files/ and info/ under the current directory and
    // reports success.
    QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
    QString pathInTrash;
    if (!QFile::moveToTrash(path, &pathInTrash))
        return false;
    if (IsInTrashFolder(pathInTrash))
        return true;
    UndoStrayMove(path, pathInTrash);
    return false;
#else
    return QFile::moveToTrash(path);
#endif
}
