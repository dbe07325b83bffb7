// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRecord.h"

#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// Transactions that ran (rows of the log) turned into sequence lines that put the same bytes
// on the bus again: writes, reads and write/reads become transfers, a write without a stop
// joins the transfer that follows it through a repeated start. Searches and writes without
// a start have no place in a sequence and are left out.
struct SSequenceRecording
{
    QStringList lines;
    int skipped = 0;
};

namespace SequenceRecording {

// With `delays`, the pause between one transaction's end and the next one's start becomes a
// delay step (whole milliseconds, from 1 ms). Messages to `deviceAddress` leave their
// address out, so the sequence follows its device.
SSequenceRecording FromRecords(const std::vector<STransactionRecord> &records, bool delays,
                               std::optional<std::uint8_t> deviceAddress = std::nullopt);

} // namespace SequenceRecording
