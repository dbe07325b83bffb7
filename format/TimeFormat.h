// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <optional>

// When a transaction ran and how long it took, as the output table and its log files
// show it. Times are milliseconds since the epoch, shown in the local time zone.
namespace TimeFormat {

// "14:03:07.412": the local time of day with milliseconds.
QString Clock(qint64 msSinceEpoch);

// "850 µs" below a millisecond; from there three significant digits in the largest unit
// that keeps the number below 1000: "1.23 ms", "12.3 ms", "123 ms", "1.06 s", "12.3 s".
QString Duration(qint64 us);

// The clock time, followed by the duration in brackets when there is one:
// "14:03:07.412 (1.06 s)".
QString Cell(qint64 msSinceEpoch, std::optional<qint64> durationUs);

// "2026-12-08T14:03:07.412+01:00": the local date and time with milliseconds and the
// offset from UTC in force at that moment.
QString Iso(qint64 msSinceEpoch);

} // namespace TimeFormat
