// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "CSequenceProgram.h"
#include "SSequenceStep.h"
#include "STransactionRecord.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

enum class ESequenceStatus
{
    Ok,
    Mismatch, // an expect read other bytes
    Timeout,  // a poll found no match in time
    BusError,
    Cancelled,
};

// How one step ended.
struct SSequenceOutcome
{
    std::size_t index = 0;     // counted over the run, repeats unrolled
    std::size_t textIndex = 0; // the step's index in the program's Steps()
    int line = 0;
    ESequenceStepKind kind = ESequenceStepKind::Transfer;
    ESequenceStatus status = ESequenceStatus::Ok;
    // The transactions of the step; of a poll only its last attempt.
    std::vector<STransactionRecord> records;
    // The bytes of the last read of the step.
    std::vector<unsigned char> read;
    // Poll: the attempts made.
    std::size_t attempts = 0;
    std::int64_t durationUs = 0;
    // Echo: its text; a failure: the reason in the words a user reads.
    QString message;
};

// How the whole sequence ended: ok, or the line and reason of the step that stopped it.
struct SSequenceResult
{
    bool ok = true;
    bool cancelled = false;
    std::size_t stepsDone = 0;
    std::size_t stepsTotal = 0;
    int failedLine = 0;
    QString error;
    std::int64_t durationUs = 0;
};

// Runs the steps of a program one after the other on a bus context, walking its repeats: waits on
// the context's clock, stops at the first failing step, and honours a cancel request between steps
// and inside delays and polls. A poll attempt that is not acknowledged counts as not yet matched (a
// busy EEPROM refuses its address). Progress counts steps.
class CSequenceRunner
{
public:
    using StepHandler = std::function<void(const SSequenceOutcome &)>;

    explicit CSequenceRunner(CSequenceProgram program);
    // Steps that run once each, in this order.
    explicit CSequenceRunner(std::vector<SSequenceStep> steps);

    const CSequenceProgram &Program() const { return m_program; }
    // Hears each step's outcome as soon as the step has ended, on the running thread.
    void SetStepHandler(StepHandler handler);

    SSequenceResult Run(CBusContext &context) const;

    // The run as a procedure for a bus job; the result also lands in `result` when given.
    static BusProcedure Procedure(std::shared_ptr<const CSequenceRunner> runner,
                                  std::shared_ptr<SSequenceResult> result = nullptr);

private:
    SSequenceOutcome RunStep(CBusContext &context, const SSequenceStep &step) const;

    CSequenceProgram m_program;
    StepHandler m_onStep;
};
