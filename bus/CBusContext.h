// SPDX-License-Identifier: MIT
#pragma once

#include "EFailureKind.h"
#include "FailureText.h"
#include "SBusAdapterInfo.h"
#include "STransactionRecord.h"
#include "STransactionRequest.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

// What a procedure of several transactions (a register Read All, an EEPROM program, a
// sequence) holds while it runs as one job on the bus: it runs transactions one after the
// other, sees a cancel request, reports its progress and waits on the bus's clock. Nothing
// else reaches the bus meanwhile. Implementations never throw.
class CBusContext
{
public:
    using Clock = std::chrono::steady_clock;

    virtual ~CBusContext() = default;

    // Runs one transaction and records it; a cancel request makes it fail as cancelled.
    virtual STransactionRecord Execute(const STransactionRequest &request) = 0;
    // The same for a transaction that makes up a stretch of the procedure's progress: while
    // its read bytes arrive, `base` plus the bytes read so far are reported, of `total`.
    virtual STransactionRecord ExecuteCounted(const STransactionRequest &request,
                                              [[maybe_unused]] std::uint64_t base,
                                              [[maybe_unused]] std::uint64_t total)
    {
        return Execute(request);
    }
    virtual bool IsCancelRequested() const = 0;
    // The procedure's own progress, in units of its choosing.
    virtual void ReportProgress(std::uint64_t done, std::uint64_t total) = 0;
    // Waits; false when a cancel request cut the wait short.
    virtual bool Sleep(std::chrono::microseconds duration) = 0;
    virtual Clock::time_point Now() const = 0;
    // The adapter the procedure runs on.
    virtual const SBusAdapterInfo &Adapter() const = 0;
};

// How a procedure ended. A procedure that stops on a cancel request says so in `cancelled`
// (and ok is false); `error` names a failure in the words a user reads, `failure` its kind.
struct SBusProcedureResult
{
    bool ok = true;
    bool cancelled = false;
    std::string error;
    EFailureKind failure = EFailureKind::None;

    // Stopped on a cancel request.
    static SBusProcedureResult Cancelled();
};

inline SBusProcedureResult SBusProcedureResult::Cancelled()
{
    return {false, true, FailureText::Text(EFailureKind::Cancelled), EFailureKind::Cancelled};
}

using BusProcedure = std::function<SBusProcedureResult(CBusContext &context)>;
