// SPDX-License-Identifier: MIT
#pragma once

#include "CI2cDeviceFile.h"

#include <QString>

// A device of realistic shape for the benchmarks: labels of a few words, writes of one to
// four bytes in every mode, one read in four. `seed` makes names and bytes differ.
inline CI2cDeviceFile MakeBenchDevice(int commands, int seed)
{
    CI2cDeviceFile file;
    file.SetName(QStringLiteral("Sensor %1").arg(seed));
    file.SetAddress(static_cast<unsigned char>(seed % 128));
    file.SetDescription(
        QStringLiteral("Benchmark device %1.\nTwo lines of description.").arg(seed));
    for (int i = 0; i < commands; ++i) {
        SI2cCommand command;
        command.label = QStringLiteral("Command %1 of device %2").arg(i).arg(seed);
        if (i % 4 == 3) {
            command.type = EI2cCommandType::Read;
            command.count = 1 + (i * 7) % 64;
        } else {
            command.mode = static_cast<EI2cWriteMode>(i % 4);
            for (int b = 0; b <= i % 4; ++b)
                command.data.push_back(static_cast<unsigned char>(i * 31 + b));
        }
        file.AddCommand(command);
    }
    return file;
}
