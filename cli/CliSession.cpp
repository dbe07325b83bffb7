// SPDX-License-Identifier: MIT
#include "CliSession.h"

#include "CBusSession.h"
#include "CI2cDeviceFile.h"
#include "CTransactionControl.h"
#include "CliInterrupt.h"
#include "CliOutput.h"
#include "NumberText.h"

#include <chrono>

using namespace Qt::StringLiterals;

CCliSession::CCliSession(CBusSession &bus, const SCliPlan &plan, const CCliOutput &output,
                         CCliProgress &progress, const CTransactionControl &control)
    : m_bus(bus)
    , m_plan(plan)
    , m_output(output)
    , m_progress(progress)
    , m_control(control)
{}

const SBusAdapterInfo &CCliSession::Adapter() const
{
    return m_bus.Info();
}

STransactionRecord CCliSession::Execute(const STransactionRequest &request)
{
    STransactionRecord record = m_bus.Run(request, &m_control);
    m_busTimeUs = m_busTimeUs.value_or(0) + record.durationUs;
    return record;
}

SBusProcedureResult CCliSession::RunProcedure(const BusProcedure &procedure,
                                              std::vector<STransactionRecord> *records)
{
    const auto started = std::chrono::steady_clock::now();
    SBusProcedureResult result = m_bus.RunProcedure(procedure, &m_control, records);
    m_busTimeUs = m_busTimeUs.value_or(0) + std::chrono::duration_cast<std::chrono::microseconds>(
                                                std::chrono::steady_clock::now() - started)
                                                .count();
    return result;
}

QJsonObject CCliSession::WithBusTime(QJsonObject fields) const
{
    if (m_busTimeUs && !fields.contains(u"durationUs"_s))
        fields.insert(u"durationUs"_s, qint64(*m_busTimeUs));
    return fields;
}

bool CCliSession::IsInterrupted() const
{
    return CliInterrupt::WasInterrupted() || m_control.IsCancelRequested();
}

QString CCliSession::Address(std::uint8_t address) const
{
    return NumberText::Address(address, m_plan.global.eightBit);
}

QString CCliSession::Offset(std::size_t offset) const
{
    return NumberText::Hex(offset, m_plan.offsetWidth * 2);
}

QJsonObject CCliSession::JsonBase() const
{
    QJsonObject json;
    json.insert(u"adapter"_s, QString::fromStdWString(Adapter().serial));
    return json;
}

void CCliSession::JsonResult(const QJsonObject &fields, bool ok) const
{
    m_output.JsonResult(m_plan.commandName, WithBusTime(fields), ok);
}

QJsonObject CCliSession::RecordJson(const STransactionRecord &record) const
{
    const STransactionRequest &request = record.request;
    QJsonObject json;
    json.insert(u"address"_s, Address(request.address));
    const bool writes =
        request.kind == ETransactionKind::Write || request.kind == ETransactionKind::WriteRead;
    const bool reads =
        request.kind == ETransactionKind::Read || request.kind == ETransactionKind::WriteRead;
    if (writes)
        json.insert(u"written"_s, CI2cDeviceFile::BytesToHex(request.data));
    if (request.kind == ETransactionKind::Write) {
        json.insert(u"start"_s, request.start);
        json.insert(u"stop"_s, request.stop);
    }
    if (reads) {
        json.insert(u"count"_s, qint64(record.read.data.size()));
        json.insert(u"data"_s, CI2cDeviceFile::BytesToHex(record.read.data));
    }
    json.insert(u"ok"_s, record.ok);
    json.insert(u"durationUs"_s, qint64(record.durationUs));
    return json;
}

ECliExit CCliSession::Failure(const QString &what, const STransactionRecord &record,
                              const QJsonObject &json)
{
    return Failure(what, record.cancelled, record.failure, record.lastError, json);
}

ECliExit CCliSession::Failure(const QString &what, bool cancelled, EFailureKind failure,
                              const std::string &error, const QJsonObject &json)
{
    const bool interrupted = cancelled || IsInterrupted();
    const QString reason = interrupted ? u"interrupted"_s : QString::fromStdString(error);
    m_output.Error(what + u": "_s + reason);
    m_output.JsonResult(m_plan.commandName, WithBusTime(json), false, reason);
    return interrupted ? ECliExit::Interrupted : ExitOf(failure);
}
