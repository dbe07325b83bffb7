// SPDX-License-Identifier: MIT
#include "CI2cDeviceFile.h"
#include "CVtlI2c.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "CliProgress.h"
#include "CliRegisters.h"
#include "CliSession.h"
#include "DetectGrid.h"
#include "DumpLines.h"
#include "HexFormat.h"
#include "MemoryRequests.h"

#include <QByteArray>
#include <QJsonArray>

using namespace Qt::StringLiterals;

namespace CliCommands {

namespace {

constexpr int BYTES_PER_LINE = 16;
const QString UNIT_BYTES = u"bytes"_s;

QString DataLines(const std::vector<unsigned char> &data)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
    return HexFormat::lines(bytes, BYTES_PER_LINE, false);
}

// "read 0x50", "write 0x50", "run 'Read ID'": the transaction as failure messages name it.
QString Describe(const CCliSession &session, const STransactionRecord &record)
{
    const SCliPlan &plan = session.Plan();
    if (plan.command == ECliCommand::Run)
        return u"run '%1' at %2"_s.arg(plan.runCommand.label, session.Address(plan.address));
    return plan.commandName + u' ' + session.Address(record.request.address);
}

} // namespace

ECliExit RunOnBus(CCliSession &session)
{
    if (!session.Plan().sequence.empty())
        return RunSequence(session);
    switch (session.Plan().command) {
    case ECliCommand::Detect:
        return RunDetect(session);
    case ECliCommand::Read:
    case ECliCommand::Write:
    case ECliCommand::Get:
    case ECliCommand::Set:
    case ECliCommand::Run:
        return RunSingle(session);
    case ECliCommand::Transfer:
        return RunTransfer(session);
    case ECliCommand::Dump:
        return RunDump(session);
    case ECliCommand::Eeprom:
        return RunEeprom(session);
    case ECliCommand::Regs:
    case ECliCommand::Reg:
        return CliRegisters::Run(session);
    case ECliCommand::List:
    case ECliCommand::Check:
    case ECliCommand::Script:
    case ECliCommand::Parts:
        break;
    }
    return ECliExit::Usage;
}

ECliExit RunDetect(CCliSession &session)
{
    const STransactionRequest &request = session.Plan().requests.front();
    session.Progress().Begin(u"detect"_s, request.ProgressTotal(), u"addresses"_s);
    const STransactionRecord record = session.Execute(request);
    session.Progress().End();

    QJsonObject json = session.JsonBase();
    json.insert(u"first"_s, session.Address(request.firstAddress));
    json.insert(u"last"_s, session.Address(request.lastAddress));
    QJsonArray found;
    for (const std::uint8_t address : record.found)
        found.append(session.Address(address));
    json.insert(u"found"_s, found);
    json.insert(u"count"_s, qint64(record.found.size()));
    if (!record.ok)
        return session.Failure(u"detect"_s, record, json);
    session.Output().Result(DetectGrid::Format(request.firstAddress, request.lastAddress,
                                               record.found, session.Plan().global.eightBit));
    json.insert(u"ok"_s, true);
    session.Output().Json(json);
    if (session.Plan().identify)
        return RunIdentify(session, record.found);
    return ECliExit::Success;
}

ECliExit RunSingle(CCliSession &session)
{
    const SCliPlan &plan = session.Plan();
    const STransactionRequest &request = plan.requests.front();
    session.Progress().Begin(plan.commandName + u' ' + session.Address(request.address),
                             request.ProgressTotal(), UNIT_BYTES);
    const STransactionRecord record = session.Execute(request);
    session.Progress().End();

    QJsonObject json = session.JsonBase();
    if (plan.command == ECliCommand::Run) {
        json.insert(u"file"_s, plan.file);
        json.insert(u"label"_s, plan.runCommand.label);
    }
    const QJsonObject fields = session.RecordJson(record);
    for (auto it = fields.begin(); it != fields.end(); ++it)
        json.insert(it.key(), it.value());
    if (!record.ok)
        return session.Failure(Describe(session, record), record, json);
    if (request.kind != ETransactionKind::Write)
        session.Output().Result(DataLines(record.read.data));
    session.Output().Json(json);
    return ECliExit::Success;
}

ECliExit RunTransfer(CCliSession &session)
{
    const SCliPlan &plan = session.Plan();
    QJsonObject json = session.JsonBase();
    QJsonArray messages;
    std::vector<unsigned char> lastRead;
    std::size_t bytesRead = 0;
    for (std::size_t i = 0; i < plan.requests.size(); ++i) {
        const STransactionRequest &request = plan.requests[i];
        const STransferMessage &message = plan.messages[i];
        session.Progress().Begin(u"transfer %1"_s.arg(message.word), request.ProgressTotal(),
                                 UNIT_BYTES);
        const STransactionRecord record = session.Execute(request);
        session.Progress().End();
        messages.append(session.RecordJson(record));
        json.insert(u"messages"_s, messages);
        bytesRead += record.read.data.size();
        json.insert(u"count"_s, qint64(bytesRead));
        if (!record.ok) {
            const QString what =
                u"transfer: message %1 (%2), %3 of %4 messages went through"_s.arg(i + 1)
                    .arg(message.word)
                    .arg(i)
                    .arg(plan.requests.size());
            return session.Failure(what, record, json);
        }
        if (message.read)
            lastRead = record.read.data;
    }
    if (plan.messages.back().read)
        session.Output().Result(DataLines(lastRead));
    json.insert(u"ok"_s, true);
    session.Output().Json(json);
    return ECliExit::Success;
}

ECliExit RunDump(CCliSession &session)
{
    const SCliPlan &plan = session.Plan();
    const std::vector<SMemoryChunk> chunks = MemoryRequests::Reads(
        plan.address, plan.from, plan.length, plan.offsetWidth, session.Adapter().maxReadCount);
    QJsonObject json = session.JsonBase();
    json.insert(u"address"_s, session.Address(plan.address));
    json.insert(u"from"_s, session.Offset(plan.from));
    json.insert(u"to"_s, session.Offset(plan.from + plan.length - 1));
    std::vector<unsigned char> data;
    session.Progress().Begin(u"dump "_s + session.Address(plan.address), plan.length, UNIT_BYTES);
    for (const SMemoryChunk &chunk : chunks) {
        session.Progress().SetBase(chunk.offset - plan.from, chunk.request.data.size() + 1);
        const STransactionRecord record = session.Execute(chunk.request);
        data.insert(data.end(), record.read.data.begin(), record.read.data.end());
        if (!record.ok) {
            session.Progress().End();
            json.insert(u"data"_s, CI2cDeviceFile::BytesToHex(data));
            json.insert(u"count"_s, qint64(data.size()));
            // The offset of the first byte that did not come, not of the chunk it was in.
            const std::size_t stopped = plan.from + data.size();
            return session.Failure(u"dump %1 at offset %2"_s.arg(session.Address(plan.address),
                                                                 session.Offset(stopped)),
                                   record, json);
        }
    }
    session.Progress().End();
    session.Output().Result(DumpLines::Format(plan.from, data, plan.offsetWidth * 2));
    json.insert(u"data"_s, CI2cDeviceFile::BytesToHex(data));
    json.insert(u"count"_s, qint64(data.size()));
    json.insert(u"ok"_s, true);
    session.Output().Json(json);
    return ECliExit::Success;
}

} // namespace CliCommands
