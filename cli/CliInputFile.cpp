// SPDX-License-Identifier: MIT
#include "CliInputFile.h"

#include "CI2cDeviceFile.h"

#include <QFile>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace CliInputFile {

bool IsStandardInput(const QString &path)
{
    return path == u"-"_s;
}

bool ReadStandardInput(QByteArray &bytes, QString &error, qint64 limit)
{
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        error = input.errorString();
        return false;
    }
    // One byte past the limit tells a text that is too long from one that just fits.
    bytes = limit < 0 ? input.readAll() : input.read(limit + 1);
    if (input.error() != QFileDevice::NoError) {
        error = input.errorString();
        return false;
    }
    if (limit >= 0 && bytes.size() > limit) {
        error = u"standard input holds more than %1 bytes"_s.arg(limit);
        return false;
    }
    return true;
}

bool LoadDevice(const QString &path, CI2cDeviceFile &device, QString &error)
{
    if (!IsStandardInput(path)) {
        const bool loaded = device.Load(path);
        error = device.GetLastError();
        return loaded;
    }
    QByteArray bytes;
    if (!ReadStandardInput(bytes, error))
        return false;
    const bool loaded = device.LoadText(bytes);
    error = device.GetLastError();
    return loaded;
}

} // namespace CliInputFile
