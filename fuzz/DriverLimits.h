// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>

// The driver's own bounds, as i2c/CVtlI2c.cpp sets them. The harness derives its limits
// on HID reads from these, so a change there must be made here as well.
inline constexpr std::size_t REPORT_SIZE = 64;
inline constexpr std::size_t MAX_CHUNK = 62;
inline constexpr int REPLY_TIMEOUT_MS = 1000;
// A wait gives up as a time-out after this many foreign reports...
inline constexpr std::size_t MAX_DISCARDED_REPORTS = 1000;
// ...and one wait therefore reads at most this many reports.
inline constexpr std::size_t MAX_READS_PER_WAIT = MAX_DISCARDED_REPORTS + 1;
// Emptying the input queue before a transaction reads at most this many reports.
inline constexpr std::size_t MAX_FLUSHED_REPORTS = 4096;
