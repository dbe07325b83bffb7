// SPDX-License-Identifier: MIT
#include "CliSequence.h"

#include "CI2cDeviceFile.h"
#include "CSequenceRunner.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "HexFormat.h"
#include "SequenceText.h"

#include <QJsonArray>

#include <memory>

using namespace Qt::StringLiterals;

namespace CliSequence {

namespace {

constexpr int BYTES_PER_LINE = 16;

QString KindWord(ESequenceStepKind kind)
{
    switch (kind) {
    case ESequenceStepKind::Transfer:
        return u"transfer"_s;
    case ESequenceStepKind::Delay:
        return u"delay"_s;
    case ESequenceStepKind::Expect:
        return u"expect"_s;
    case ESequenceStepKind::Poll:
        return u"poll"_s;
    case ESequenceStepKind::Echo:
        return u"echo"_s;
    }
    return {};
}

QJsonObject StepJson(const QJsonObject &base, const SSequenceStep &step, bool eightBit)
{
    QJsonObject json = base;
    json.insert(u"line"_s, step.line);
    json.insert(u"kind"_s, KindWord(step.kind));
    json.insert(u"step"_s, SequenceText::Step(step, std::nullopt, eightBit));
    return json;
}

// What a step prints on stdout: an echo its text, a plain transfer that reads its bytes.
void PrintOutcome(const CCliOutput &output, const SSequenceStep &step,
                  const SSequenceOutcome &outcome)
{
    if (step.kind == ESequenceStepKind::Echo) {
        output.Result(outcome.message);
    } else if (step.kind == ESequenceStepKind::Transfer && step.messages.back().read) {
        const QByteArray bytes(reinterpret_cast<const char *>(outcome.read.data()),
                               qsizetype(outcome.read.size()));
        output.Result(HexFormat::lines(bytes, BYTES_PER_LINE, false));
    }
}

} // namespace

ECliExit RunDryRun(const QString &command, const std::vector<SSequenceStep> &steps,
                   const CCliOutput &output, bool eightBit)
{
    for (const SSequenceStep &step : steps) {
        output.Result(u"%1  # line %2"_s.arg(SequenceText::Step(step, std::nullopt, eightBit))
                          .arg(step.line));
        output.JsonResult(command, StepJson({}, step, eightBit), std::nullopt);
    }
    return ECliExit::Success;
}

ECliExit Run(CCliSession &session, const std::vector<SSequenceStep> &steps)
{
    const SCliPlan &plan = session.Plan();
    const QJsonObject base = session.JsonBase();
    auto runner = std::make_shared<CSequenceRunner>(steps);
    const CCliOutput &output = session.Output();
    // Runs on the bus worker while this thread waits, so the lines come as the steps end.
    runner->SetStepHandler([&](const SSequenceOutcome &outcome) {
        const SSequenceStep &step = steps[outcome.index];
        if (outcome.status == ESequenceStatus::Ok)
            PrintOutcome(output, step, outcome);
        QJsonObject json = StepJson(base, step, plan.global.eightBit);
        QJsonArray messages;
        for (const STransactionRecord &record : outcome.records)
            messages.append(session.RecordJson(record));
        if (!outcome.records.empty())
            json.insert(u"messages"_s, messages);
        if (step.kind == ESequenceStepKind::Expect || step.kind == ESequenceStepKind::Poll)
            json.insert(u"data"_s, CI2cDeviceFile::BytesToHex(outcome.read));
        if (step.kind == ESequenceStepKind::Poll)
            json.insert(u"attempts"_s, qint64(outcome.attempts));
        if (step.kind == ESequenceStepKind::Echo)
            json.insert(u"text"_s, outcome.message);
        json.insert(u"durationUs"_s, qint64(outcome.durationUs));
        const bool ok = outcome.status == ESequenceStatus::Ok;
        output.JsonResult(plan.commandName, json, ok,
                          ok ? std::nullopt : std::optional<QString>(outcome.message));
    });
    auto result = std::make_shared<SSequenceResult>();
    session.Progress().Begin(plan.commandName, steps.size(), u"steps"_s);
    const SBusProcedureResult job =
        session.RunProcedure(CSequenceRunner::Procedure(runner, result));
    session.Progress().End();
    if (job.ok && result->ok)
        return ECliExit::Success;
    // A job that never reached the bus (the adapter gone before it ran) has no step result.
    if (result->ok) {
        output.Error(job.cancelled ? u"interrupted"_s : QString::fromStdString(job.error));
        return job.cancelled ? ECliExit::Interrupted : ECliExit::BusFailure;
    }
    if (result->cancelled || session.IsInterrupted()) {
        output.Error(u"line %1: interrupted"_s.arg(result->failedLine));
        return ECliExit::Interrupted;
    }
    const SSequenceStep *failed = nullptr;
    for (const SSequenceStep &step : steps) {
        if (step.line == result->failedLine) {
            failed = &step;
            break;
        }
    }
    output.Error(u"line %1 (%2): %3"_s.arg(result->failedLine)
                     .arg(failed != nullptr
                              ? SequenceText::Step(*failed, std::nullopt, plan.global.eightBit)
                              : QString(),
                          result->error));
    return ECliExit::BusFailure;
}

} // namespace CliSequence
