// SPDX-License-Identifier: MIT
#include "CSequenceRunner.h"

#include "CI2cDeviceFile.h"
#include "MessageValues.h"
#include "Plural.h"
#include "SequenceText.h"

#include <chrono>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

using std::chrono::microseconds;

std::int64_t Microseconds(CBusContext::Clock::duration duration)
{
    return std::chrono::duration_cast<microseconds>(duration).count();
}

bool IsNotAcknowledged(const STransactionRecord &record)
{
    return !record.ok && !record.cancelled && ::IsNotAcknowledged(record.failure);
}

// Runs the messages of a transfer until the first failure; true when all went through.
bool RunTransfer(CBusContext &context, const SSequenceStep &step, SSequenceOutcome &outcome)
{
    outcome.records.clear();
    outcome.read.clear();
    const std::vector<STransactionRequest> requests = step.Requests();
    for (std::size_t i = 0; i < requests.size(); ++i) {
        outcome.records.push_back(context.Execute(requests[i]));
        const STransactionRecord &record = outcome.records.back();
        if (record.cancelled) {
            outcome.status = ESequenceStatus::Cancelled;
            outcome.message = u"cancelled"_s;
            return false;
        }
        if (!record.ok) {
            outcome.status = ESequenceStatus::BusError;
            outcome.message = u"message %1 (%2): %3"_s.arg(i + 1).arg(
                step.messages[i].word, QString::fromStdString(record.lastError));
            return false;
        }
        if (requests[i].kind == ETransactionKind::Read)
            outcome.read = record.read.data;
    }
    return true;
}

QString Expectation(const SSequenceStep &step)
{
    QString text = CI2cDeviceFile::BytesToHex(step.expected);
    if (step.mask != std::vector<unsigned char>(step.mask.size(), 0xFF))
        text += u" mask "_s + CI2cDeviceFile::BytesToHex(step.mask);
    return text;
}

void RunPoll(CBusContext &context, const SSequenceStep &step, SSequenceOutcome &outcome)
{
    const CBusContext::Clock::time_point start = context.Now();
    const CBusContext::Clock::time_point deadline = start + step.timeout;
    bool lastAcknowledged = true;
    for (;;) {
        const CBusContext::Clock::time_point attemptStart = context.Now();
        ++outcome.attempts;
        if (RunTransfer(context, step, outcome)) {
            lastAcknowledged = true;
            if (step.Matches(outcome.read))
                return;
        } else if (outcome.status == ESequenceStatus::BusError &&
                   IsNotAcknowledged(outcome.records.back())) {
            lastAcknowledged = false;
            outcome.status = ESequenceStatus::Ok;
            outcome.message.clear();
        } else {
            return;
        }
        const CBusContext::Clock::time_point now = context.Now();
        if (now >= deadline) {
            outcome.status = ESequenceStatus::Timeout;
            outcome.message =
                u"no match for %1 within %2 (%3); %4"_s.arg(Expectation(step))
                    .arg(SequenceText::Duration(step.timeout))
                    .arg(Plural::Count(outcome.attempts, u"attempt", u"attempts"))
                    .arg(lastAcknowledged
                             ? u"last read %1"_s.arg(CI2cDeviceFile::BytesToHex(outcome.read))
                             : u"the last attempt was not acknowledged"_s);
            return;
        }
        // The interval runs from one attempt's start to the next, so the transfer's own time
        // does not stretch it; the last attempt falls on the deadline.
        const CBusContext::Clock::time_point next = std::min(attemptStart + step.wait, deadline);
        if (next > now && !context.Sleep(std::chrono::duration_cast<microseconds>(next - now))) {
            outcome.status = ESequenceStatus::Cancelled;
            outcome.message = u"cancelled"_s;
            return;
        }
        if (context.IsCancelRequested()) {
            outcome.status = ESequenceStatus::Cancelled;
            outcome.message = u"cancelled"_s;
            return;
        }
    }
}

} // namespace

CSequenceRunner::CSequenceRunner(CSequenceProgram program)
    : m_program(std::move(program))
{}

CSequenceRunner::CSequenceRunner(std::vector<SSequenceStep> steps)
    : m_program(std::move(steps))
{}

void CSequenceRunner::SetStepHandler(StepHandler handler)
{
    m_onStep = std::move(handler);
}

SSequenceOutcome CSequenceRunner::RunStep(CBusContext &context, const SSequenceStep &step) const
{
    SSequenceOutcome outcome;
    outcome.line = step.line;
    outcome.kind = step.kind;
    const CBusContext::Clock::time_point start = context.Now();
    switch (step.kind) {
    case ESequenceStepKind::Transfer:
        RunTransfer(context, step, outcome);
        break;
    case ESequenceStepKind::Delay:
        if (!context.Sleep(step.wait)) {
            outcome.status = ESequenceStatus::Cancelled;
            outcome.message = u"cancelled"_s;
        }
        break;
    case ESequenceStepKind::Expect:
        if (RunTransfer(context, step, outcome) && !step.Matches(outcome.read)) {
            outcome.status = ESequenceStatus::Mismatch;
            outcome.message = u"read %1, expected %2"_s.arg(
                CI2cDeviceFile::BytesToHex(outcome.read), Expectation(step));
        }
        break;
    case ESequenceStepKind::Poll:
        RunPoll(context, step, outcome);
        break;
    case ESequenceStepKind::Echo:
        outcome.message = step.text;
        break;
    }
    outcome.durationUs = Microseconds(context.Now() - start);
    return outcome;
}

SSequenceResult CSequenceRunner::Run(CBusContext &context) const
{
    SSequenceResult result;
    const std::uint64_t total = m_program.StepCount();
    result.stepsTotal = std::size_t(total);
    const CBusContext::Clock::time_point start = context.Now();
    CSequenceCursor cursor(m_program);
    for (std::uint64_t i = 0;; ++i) {
        const SSequenceStep *step = cursor.Next();
        if (step == nullptr)
            break;
        context.ReportProgress(i, total);
        SSequenceOutcome outcome;
        if (context.IsCancelRequested()) {
            outcome.line = step->line;
            outcome.kind = step->kind;
            outcome.status = ESequenceStatus::Cancelled;
            outcome.message = u"cancelled"_s;
        } else {
            outcome = RunStep(context, *step);
        }
        outcome.index = std::size_t(i);
        outcome.textIndex = cursor.StepIndex();
        if (outcome.status != ESequenceStatus::Cancelled)
            ++result.stepsDone;
        if (m_onStep && outcome.status != ESequenceStatus::Cancelled)
            m_onStep(outcome);
        if (outcome.status != ESequenceStatus::Ok) {
            result.ok = false;
            result.cancelled = outcome.status == ESequenceStatus::Cancelled;
            result.failedLine = outcome.line;
            result.error = outcome.message;
            break;
        }
    }
    if (result.ok)
        context.ReportProgress(total, total);
    result.durationUs = Microseconds(context.Now() - start);
    return result;
}

BusProcedure CSequenceRunner::Procedure(std::shared_ptr<const CSequenceRunner> runner,
                                        std::shared_ptr<SSequenceResult> result)
{
    return [runner = std::move(runner), result = std::move(result)](CBusContext &context) {
        const SSequenceResult outcome = runner->Run(context);
        if (result)
            *result = outcome;
        SBusProcedureResult procedure;
        procedure.ok = outcome.ok;
        procedure.cancelled = outcome.cancelled;
        if (outcome.cancelled)
            procedure.failure = EFailureKind::Cancelled;
        else if (!outcome.ok)
            procedure.failure = EFailureKind::Other;
        if (!outcome.ok)
            procedure.error =
                u"line %1: %2"_s.arg(outcome.failedLine).arg(outcome.error).toStdString();
        return procedure;
    };
}
