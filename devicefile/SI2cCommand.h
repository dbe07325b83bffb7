// SPDX-License-Identifier: MIT
#pragma once

#include "SValueDecoding.h"

#include <QMetaType>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

enum class EI2cCommandType : std::int32_t
{
    Write = 0,
    Read = 1,
    // A write of the data with a start and without a stop, then a read of `count` bytes
    // whose start is the repeated start: a register read in one step.
    WriteRead = 2,
    // Several steps in the sequence language: transfers, delays, checks and polls.
    Sequence = 3,
};

// The values are the entry indexes of the main window's start/stop box.
enum class EI2cWriteMode : std::int32_t
{
    Auto = 0,
    Start = 1,
    Stop = 2,
    None = 3,
};

// Whether a write in this mode begins with a start condition (and so with the address
// byte), and whether it ends with a stop.
inline bool WriteModeStarts(EI2cWriteMode mode)
{
    return mode == EI2cWriteMode::Auto || mode == EI2cWriteMode::Start;
}
inline bool WriteModeStops(EI2cWriteMode mode)
{
    return mode == EI2cWriteMode::Auto || mode == EI2cWriteMode::Stop;
}

// One stored command of a device file. Fields that do not belong to the command's type
// (a read's mode and data, a write's count, a write/read's mode, a sequence's everything but
// its steps) are carried along but never stored.
struct SI2cCommand
{
    QString label;
    EI2cCommandType type = EI2cCommandType::Write;
    EI2cWriteMode mode = EI2cWriteMode::Auto;
    std::vector<unsigned char> data;
    std::int32_t count = 1;
    // Reads and write/reads only: how the bytes read turn into one number to watch.
    std::optional<SValueDecoding> value;
    // Sequences only: the lines of the steps as written.
    QStringList steps;

    friend bool operator==(const SI2cCommand &, const SI2cCommand &) = default;
};

Q_DECLARE_METATYPE(SI2cCommand)
