// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"
#include "CliPlan.h"
#include "STransactionRecord.h"

#include <QJsonObject>
#include <QString>

#include <cstdint>

class CCliOutput;
class CCliProgress;
class CTransactionControl;
class CVtlI2c;

// A command's run on a connected adapter: executes its transactions with the Ctrl+C
// control and the progress line, and words results and failures alike.
class CCliSession
{
public:
    CCliSession(CVtlI2c &driver, const SCliPlan &plan, const CCliOutput &output,
                CCliProgress &progress, const CTransactionControl &control);

    const SCliPlan &Plan() const { return m_plan; }
    const CCliOutput &Output() const { return m_output; }
    CCliProgress &Progress() { return m_progress; }
    CVtlI2c &Driver() { return m_driver; }

    STransactionRecord Execute(const STransactionRequest &request);
    bool IsInterrupted() const;

    // The address in the notation in force.
    QString Address(std::uint8_t address) const;
    // "0x" and the offset in as many hex digits as the plan's offset width takes.
    QString Offset(std::size_t offset) const;
    // The fields every JSON result carries: the command and the adapter's serial number.
    QJsonObject JsonBase() const;
    // A transaction's fields: "address", what was written ("written", hex), what was read
    // ("count", "data", hex), "ok" and "durationUs".
    QJsonObject RecordJson(const STransactionRecord &record) const;

    // Words a failed transaction: "<what>: <driver's text>" on stderr and, in JSON mode,
    // `json` with "ok": false and the error; 130 after a Ctrl+C, else 1.
    ECliExit Failure(const QString &what, const STransactionRecord &record, QJsonObject json);

private:
    CVtlI2c &m_driver;
    const SCliPlan &m_plan;
    const CCliOutput &m_output;
    CCliProgress &m_progress;
    const CTransactionControl &m_control;
};
