// SPDX-License-Identifier: MIT
#pragma once

#include "STransactionRequest.h"
#include "TransferMessages.h"

#include <QString>

#include <chrono>
#include <cstdint>
#include <vector>

enum class ESequenceStepKind
{
    Transfer, // messages joined by repeated starts, ended by one stop
    Delay,
    Expect, // a transfer whose last read must match
    Poll,   // a transfer repeated until its last read matches
    Echo,
};

// One step of a sequence as it runs: repeats unrolled, every address filled in.
struct SSequenceStep
{
    ESequenceStepKind kind = ESequenceStepKind::Transfer;
    // Where the step was written, counted from 1.
    int line = 0;
    std::vector<STransferMessage> messages;
    // Expect and Poll: the bytes the last read must give under the mask; the mask has as
    // many bytes, FF where none was written.
    std::vector<unsigned char> expected;
    std::vector<unsigned char> mask;
    // Delay: the wait; Poll: the interval between the starts of two attempts.
    std::chrono::microseconds wait{0};
    std::chrono::microseconds timeout{0};
    QString text;

    std::vector<STransactionRequest> Requests() const
    {
        return TransferMessages::ToRequests(messages);
    }

    bool Matches(const std::vector<unsigned char> &read) const
    {
        if (read.size() < expected.size())
            return false;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            if ((read[i] & mask[i]) != (expected[i] & mask[i]))
                return false;
        }
        return true;
    }
};

// Where and why a text is not a sequence; line and column count from 1.
struct SSequenceError
{
    int line = 0;
    int column = 0;
    QString message;

    QString Text() const
    {
        return QStringLiteral("line %1, column %2: %3").arg(line).arg(column).arg(message);
    }
};
