// SPDX-License-Identifier: MIT
#include "CliSequence.h"

#include "CI2cDeviceFile.h"
#include "CSequenceRunner.h"
#include "CliInterrupt.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "HexFormat.h"
#include "SequenceText.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <memory>

using namespace Qt::StringLiterals;

namespace CliSequence {

namespace {

constexpr int BYTES_PER_LINE = 16;
// A dry run writes its lines in pieces of about this size: a million steps then cost a few
// hundred writes instead of a million.
constexpr qsizetype DRY_RUN_CHUNK = 64 * 1024;

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

ECliExit RunDryRun(const SCliPlan &plan, const CSequenceProgram &program, const CCliOutput &output)
{
    const bool json = output.IsJson();
    // Each step's line once; the walk only repeats them.
    std::vector<QByteArray> lines;
    lines.reserve(program.Steps().size());
    for (const SSequenceStep &step : program.Steps()) {
        const QString text = SequenceText::Step(step, std::nullopt, plan.global.eightBit);
        if (json) {
            const QByteArray element =
                QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
            lines.push_back(element.mid(1, element.size() - 2));
        } else {
            lines.push_back(u"%1  # line %2\n"_s.arg(text).arg(step.line).toUtf8());
        }
    }
    QByteArray chunk;
    if (json) {
        // The envelope as every dry run has it, left open after the '[' of "transfers".
        chunk = QJsonDocument(QJsonObject{{u"command"_s, plan.commandName},
                                          {u"dryRun"_s, true},
                                          {u"ok"_s, true},
                                          {u"transfers"_s, QJsonArray()}})
                    .toJson(QJsonDocument::Compact);
        chunk.chop(2);
    }
    const auto write = [&] {
        if (json)
            output.JsonPart(chunk);
        else
            output.Result(QString::fromUtf8(chunk));
        chunk.clear();
    };
    CSequenceCursor cursor(program);
    while (cursor.Next() != nullptr) {
        if (json && cursor.Position() > 1)
            chunk += ',';
        chunk += lines[cursor.StepIndex()];
        if (chunk.size() < DRY_RUN_CHUNK)
            continue;
        write();
        if (CliInterrupt::WasInterrupted())
            return ECliExit::Interrupted;
    }
    if (json)
        chunk += "]}\n";
    write();
    return ECliExit::Success;
}

ECliExit Run(CCliSession &session, const CSequenceProgram &program)
{
    const SCliPlan &plan = session.Plan();
    const QJsonObject base = session.JsonBase();
    auto runner = std::make_shared<CSequenceRunner>(program);
    const std::vector<SSequenceStep> &steps = runner->Program().Steps();
    const CCliOutput &output = session.Output();
    // Runs on the bus worker while this thread waits, so the lines come as the steps end.
    runner->SetStepHandler([&](const SSequenceOutcome &outcome) {
        const SSequenceStep &step = steps[outcome.textIndex];
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
    session.Progress().Begin(plan.commandName, program.StepCount(), u"steps"_s);
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
