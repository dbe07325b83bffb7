// SPDX-License-Identifier: MIT
#pragma once

#include "TableLog.h"

#include <QDateTime>
#include <QString>

// The name and format of a log that Save Log writes.
namespace LogFileName {

struct SChoice
{
    QString path;
    TableLog::EFormat format = TableLog::EFormat::Csv;
};

// A name typed without a suffix gets the chosen filter's, unless it names an existing FIFO,
// device or folder, which keeps its name; a suffix typed ".csv" or ".txt" (in any letter
// case) decides the format, any other leaves it to the filter.
SChoice Resolve(const QString &typed, TableLog::EFormat filter);

// "vtl-i2c-log-YYYYMMDD-HHMMSS.csv" for the local time given.
QString Suggested(const QDateTime &time);

} // namespace LogFileName
