// SPDX-License-Identifier: MIT
#pragma once

#include "CBusContext.h"
#include "CliExitCode.h"
#include "CliPlan.h"
#include "SBusAdapterInfo.h"
#include "STransactionRecord.h"

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CBusSession;
class CCliOutput;
class CCliProgress;
class CTransactionControl;

// A command's run on a connected adapter: executes its transactions on the bus session
// (the window's too) with the Ctrl+C control and the progress line, and words results and
// failures alike.
class CCliSession
{
public:
    CCliSession(CBusSession &bus, const SCliPlan &plan, const CCliOutput &output,
                CCliProgress &progress, const CTransactionControl &control);

    const SCliPlan &Plan() const { return m_plan; }
    const CCliOutput &Output() const { return m_output; }
    CCliProgress &Progress() { return m_progress; }
    // The connected adapter: model, serial number, largest read and the rest.
    const SBusAdapterInfo &Adapter() const;

    STransactionRecord Execute(const STransactionRequest &request);
    // A procedure of several transactions as one job; `records` (may be null) gets each of
    // its transactions.
    SBusProcedureResult RunProcedure(const BusProcedure &procedure,
                                     std::vector<STransactionRecord> *records = nullptr);
    bool IsInterrupted() const;

    // The address in the notation in force.
    QString Address(std::uint8_t address) const;
    // "0x" and the offset in as many hex digits as the plan's offset width takes.
    QString Offset(std::size_t offset) const;
    // The field every JSON result of a session carries besides the envelope: the adapter's
    // serial number.
    QJsonObject JsonBase() const;
    // The command's JSON result: `fields` with the command's name, "ok" and, once a
    // transaction ran, "durationUs" (the bus time so far, unless `fields` has its own).
    void JsonResult(const QJsonObject &fields, bool ok = true) const;
    // A transaction's fields: "address", what was written ("written", hex), what was read
    // ("count", "data", hex), "ok" and "durationUs".
    QJsonObject RecordJson(const STransactionRecord &record) const;

    // Words a failed transaction: "<what>: <driver's text>" on stderr and, in JSON mode,
    // `json` with "ok": false and the error; 130 after a Ctrl+C, else the failure's status.
    ECliExit Failure(const QString &what, const STransactionRecord &record,
                     const QJsonObject &json);
    // The same for a failed job of several transactions, `error` its driver's text.
    ECliExit Failure(const QString &what, bool cancelled, EFailureKind failure,
                     const std::string &error, const QJsonObject &json);

private:
    QJsonObject WithBusTime(QJsonObject fields) const;

    CBusSession &m_bus;
    const SCliPlan &m_plan;
    const CCliOutput &m_output;
    CCliProgress &m_progress;
    const CTransactionControl &m_control;
    // The time the command has spent on the bus so far; none before its first transaction.
    std::optional<std::int64_t> m_busTimeUs;
};
