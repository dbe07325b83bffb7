// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "I2cTypes.h"
#include "STransactionRequest.h"

#include <cstdint>
#include <string>
#include <vector>

// A finished transaction: what was asked, what the driver answered, and when.
struct STransactionRecord
{
    STransactionRequest request;
    bool ok = false;
    // Stopped on request; ok is false then and failure is Cancelled.
    bool cancelled = false;
    // The raw status of the write (Write, and the write part of WriteRead).
    SI2cWriteResult write;
    // The raw status and the bytes of the read (Read, and the read part of WriteRead);
    // after a failure the bytes that arrived before it.
    SI2cReadResult read;
    // WriteRead: the write part succeeded or was never needed, so a failure lies in the
    // read part.
    bool readPartReached = false;
    // Search: the answering addresses, ascending; probesDone of them were asked.
    std::vector<std::uint8_t> found;
    std::size_t probesDone = 0;
    // The driver's text of the failure and its kind; empty and None after a success.
    std::string lastError;
    EFailureKind failure = EFailureKind::None;
    // Who asked for it when another program did, through this program's shared adapter
    // ("vtl-i2c-cli", "python3", "i2c-dev") and its process id; empty for this program's own.
    std::string originProgram;
    std::int64_t originPid = 0;
    // Wall-clock start in milliseconds since the epoch, and the duration measured on
    // the monotonic clock.
    std::int64_t startedMs = 0;
    std::int64_t durationUs = 0;
};
