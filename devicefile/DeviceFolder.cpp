// SPDX-License-Identifier: MIT
#include "DeviceFolder.h"

#include <QDir>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

SDeviceFolder SDeviceFolder::Load(const QString &folder)
{
    SDeviceFolder loaded;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({u"*."_s + CI2cDeviceFile::FILE_SUFFIX}, QDir::Files, QDir::Name);
    loaded.devices.reserve(names.size());
    for (const QString &name : names) {
        const QString path = dir.filePath(name);
        CI2cDeviceFile file;
        if (file.Load(path))
            loaded.devices.append(std::move(file));
        else
            loaded.refused.append({path, file.GetLastError()});
    }
    // The path decides between equal names: all files are of one folder, so this is the
    // order of their file names whatever order the listing came in.
    std::sort(loaded.devices.begin(), loaded.devices.end(),
              [](const CI2cDeviceFile &a, const CI2cDeviceFile &b) {
                  const int byName = a.GetName().compare(b.GetName(), Qt::CaseInsensitive);
                  return byName != 0 ? byName < 0 : a.GetFilePath() < b.GetFilePath();
              });
    return loaded;
}
