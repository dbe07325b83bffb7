// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One reading of a watched target.
struct SWatchSample
{
    // Wall-clock time of the reading in milliseconds since the epoch.
    std::int64_t timeMs = 0;
    // The bytes read; after a failure those that arrived before it, if any.
    std::vector<unsigned char> bytes;
    // None when the reading failed or its bytes could not be decoded.
    std::optional<double> value;
    // The driver's text of a failed reading; empty for a reading that succeeded.
    QString error;

    bool Failed() const { return !error.isEmpty(); }
};
