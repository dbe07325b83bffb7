// SPDX-License-Identifier: MIT
#pragma once

#include "CI2cDeviceFile.h"

#include <QList>
#include <QString>

// A device file of a folder that did not load, and why.
struct SRefusedDeviceFile
{
    QString path;
    QString reason;
};

// The device files of one folder as they were read at one moment.
struct SDeviceFolder
{
    QList<CI2cDeviceFile> devices;
    QList<SRefusedDeviceFile> refused;

    // Reads every file of `folder` with the device file suffix. The devices come sorted by
    // name, letter case aside, and equal names in the order of their file names, so a list
    // shown from them does not reorder itself from one read to the next; the refused files
    // come in file name order. A folder that is missing or cannot be listed gives neither.
    static SDeviceFolder Load(const QString &folder);
};
