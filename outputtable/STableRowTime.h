// SPDX-License-Identifier: MIT
#pragma once

#include <QtGlobal>

#include <optional>

// When the transaction of an output table row started (wall clock, milliseconds since
// the epoch) and how long it took (monotonic clock, microseconds). A row that the window
// added without a transaction has the time it was added and no duration.
struct STableRowTime
{
    qint64 startedMs = 0;
    std::optional<qint64> durationUs;
};
