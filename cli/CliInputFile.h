// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QString>

class CI2cDeviceFile;

// File arguments as the command line takes them: "-" stands for standard input.
namespace CliInputFile {

bool IsStandardInput(const QString &path);

// All of standard input, refused when it holds more than `limit` bytes (none: no limit).
bool ReadStandardInput(QByteArray &bytes, QString &error, qint64 limit = -1);

// A device file from its path, or from standard input for "-"; false with the file's
// GetLastError() (or the reason standard input could not be read in `error`).
bool LoadDevice(const QString &path, CI2cDeviceFile &device, QString &error);

} // namespace CliInputFile
