// SPDX-License-Identifier: MIT
#pragma once

#include "SI2cCommand.h"

#include <QJsonObject>
#include <QString>

// The device file form of a sequence command: its type word and the lines of its steps as
// an array of strings. The steps are checked as a sequence where they run; here only that
// each is one line of text.
namespace SequenceCommand {

inline constexpr qint64 FILE_VERSION = 4;

bool IsTypeWord(const QString &type);
// Reads the steps of the command at `position` (counted from 1) into `command`.
bool Read(const QJsonObject &object, qsizetype position, SI2cCommand &command, QString &error);
// The pairs after the label, as the device file writes them on the command's line.
QString Pairs(const SI2cCommand &command);
// At least one step, none holding a line break.
bool IsValid(const SI2cCommand &command);

} // namespace SequenceCommand
