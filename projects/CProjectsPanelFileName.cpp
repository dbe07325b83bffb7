// SPDX-License-Identifier: MIT
// File names of new device files, derived from the device name.

#include "CProjectsPanel.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace {

// Far below the 255 bytes a file name may have, and still long enough to tell names apart.
constexpr qsizetype MAX_BASE_LENGTH = 100;

} // namespace

QString CProjectsPanel::uniqueFilePath(const QString &name) const
{
    static const QRegularExpression invalid(u"[^a-z0-9_-]+"_s);
    QString base = name.toLower();
    base.replace(invalid, u"_"_s);
    base.truncate(MAX_BASE_LENGTH);
    qsizetype begin = 0;
    qsizetype end = base.size();
    while (begin < end && base.at(begin) == u'_')
        ++begin;
    while (end > begin && base.at(end - 1) == u'_')
        --end;
    base = base.mid(begin, end - begin);
    if (base.isEmpty())
        base = u"device"_s;

    const QDir folder(m_folder);
    QString candidate = folder.filePath(base + u'.' + CI2cDeviceFile::FILE_SUFFIX);
    for (int counter = 2; QFileInfo::exists(candidate); ++counter)
        candidate = folder.filePath(
            u"%1_%2.%3"_s.arg(base, QString::number(counter), CI2cDeviceFile::FILE_SUFFIX));
    return candidate;
}
