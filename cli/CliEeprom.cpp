// SPDX-License-Identifier: MIT
#include "CI2cDeviceFile.h"
#include "CVtlI2c.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "HexFormat.h"
#include "MemoryRequests.h"

#include <QSaveFile>

#include <chrono>

using namespace Qt::StringLiterals;

namespace CliCommands {

namespace {

// A chip finishes its write cycle within a few milliseconds (5 ms is typical); ten times
// that means it is not coming back.
constexpr auto WRITE_CYCLE_TIMEOUT = std::chrono::milliseconds(50);
const QString UNIT_BYTES = u"bytes"_s;

using Clock = std::chrono::steady_clock;

QString Label(const CCliSession &session)
{
    return session.Plan().commandName + u' ' + session.Address(session.Plan().address);
}

// Reads `length` bytes from offset 0 into `data`; on failure returns the failing record.
std::optional<STransactionRecord> ReadMemory(CCliSession &session, std::size_t length,
                                             std::vector<unsigned char> &data,
                                             std::size_t &failedOffset)
{
    const SCliPlan &plan = session.Plan();
    const std::vector<SMemoryChunk> chunks = MemoryRequests::Reads(
        plan.address, 0, length, plan.offsetWidth, session.Adapter().maxReadCount);
    session.Progress().Begin(Label(session), length, UNIT_BYTES);
    for (const SMemoryChunk &chunk : chunks) {
        session.Progress().SetBase(chunk.offset, chunk.request.data.size() + 1);
        STransactionRecord record = session.Execute(chunk.request);
        data.insert(data.end(), record.read.data.begin(), record.read.data.end());
        if (!record.ok) {
            session.Progress().End();
            failedOffset = chunk.offset;
            return record;
        }
    }
    session.Progress().End();
    return std::nullopt;
}

qint64 MicrosecondsSince(Clock::time_point started)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count();
}

ECliExit RunRead(CCliSession &session, QJsonObject json)
{
    const SCliPlan &plan = session.Plan();
    const Clock::time_point started = Clock::now();
    std::vector<unsigned char> data;
    std::size_t failedOffset = 0;
    if (const auto failure = ReadMemory(session, plan.length, data, failedOffset)) {
        return session.Failure(Label(session) + u" at offset "_s + session.Offset(failedOffset),
                               *failure, json);
    }
    json.insert(u"durationUs"_s, MicrosecondsSince(started));
    QSaveFile file(plan.file);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(reinterpret_cast<const char *>(data.data()),
                                  qint64(data.size())) == qint64(data.size()) &&
                       file.commit();
    if (!saved) {
        session.Output().Error(
            u"FILE '%1' cannot be written: %2"_s.arg(plan.file, file.errorString()));
        return ECliExit::Usage;
    }
    json.insert(u"bytes"_s, qint64(data.size()));
    json.insert(u"ok"_s, true);
    session.Output().Json(json);
    return ECliExit::Success;
}

ECliExit RunVerify(CCliSession &session, QJsonObject json)
{
    const SCliPlan &plan = session.Plan();
    const Clock::time_point started = Clock::now();
    std::vector<unsigned char> data;
    std::size_t failedOffset = 0;
    if (const auto failure = ReadMemory(session, plan.image.size(), data, failedOffset)) {
        return session.Failure(Label(session) + u" at offset "_s + session.Offset(failedOffset),
                               *failure, json);
    }
    json.insert(u"durationUs"_s, MicrosecondsSince(started));
    json.insert(u"bytes"_s, qint64(data.size()));
    json.insert(u"ok"_s, true);
    const auto mismatch = std::mismatch(plan.image.begin(), plan.image.end(), data.begin());
    if (mismatch.first == plan.image.end()) {
        json.insert(u"identical"_s, true);
        session.Output().Result(u"%1 bytes of '%2' match the EEPROM at %3"_s.arg(
            QString::number(data.size()), plan.file, session.Address(plan.address)));
        session.Output().Json(json);
        return ECliExit::Success;
    }
    const auto offset = std::size_t(mismatch.first - plan.image.begin());
    json.insert(u"identical"_s, false);
    json.insert(u"offset"_s, session.Offset(offset));
    json.insert(u"expected"_s, HexFormat::hexByte(*mismatch.first));
    json.insert(u"actual"_s, HexFormat::hexByte(*mismatch.second));
    session.Output().Result(u"'%1' differs from the EEPROM at %2 from offset %3 on: file %4, "
                            u"EEPROM %5"_s.arg(plan.file, session.Address(plan.address),
                                               session.Offset(offset),
                                               HexFormat::hexByte(*mismatch.first),
                                               HexFormat::hexByte(*mismatch.second)));
    session.Output().Json(json);
    return ECliExit::BusFailure;
}

// Polls the chip until it acknowledges again after a write; false after the time-out or a
// Ctrl+C. `polls` counts the probes.
bool AwaitWriteCycle(CCliSession &session, std::size_t &polls)
{
    const std::uint8_t address = session.Plan().address;
    const STransactionRequest probe = STransactionRequest::Search(address, address);
    const Clock::time_point deadline = Clock::now() + WRITE_CYCLE_TIMEOUT;
    for (;;) {
        const STransactionRecord record = session.Execute(probe);
        ++polls;
        if (!record.found.empty())
            return true;
        if (record.cancelled || session.IsInterrupted() || Clock::now() > deadline)
            return false;
    }
}

ECliExit RunWrite(CCliSession &session, QJsonObject json)
{
    const SCliPlan &plan = session.Plan();
    const std::vector<SMemoryChunk> chunks =
        MemoryRequests::PageWrites(plan.address, 0, plan.image, plan.pageSize, plan.offsetWidth);
    const Clock::time_point started = Clock::now();
    std::size_t polls = 0;
    session.Progress().Begin(Label(session), plan.image.size(), UNIT_BYTES);
    for (const SMemoryChunk &chunk : chunks) {
        const auto offsetBytes = std::size_t(plan.offsetWidth);
        session.Progress().SetBase(chunk.offset, offsetBytes + 1);
        const STransactionRecord record = session.Execute(chunk.request);
        const QString where = Label(session) + u" at offset "_s + session.Offset(chunk.offset);
        if (!record.ok) {
            session.Progress().End();
            json.insert(u"written"_s, qint64(chunk.offset));
            return session.Failure(where, record, json);
        }
        if (!AwaitWriteCycle(session, polls)) {
            session.Progress().End();
            json.insert(u"written"_s, qint64(chunk.offset));
            json.insert(u"ok"_s, false);
            if (session.IsInterrupted()) {
                session.Output().Error(where + u": interrupted"_s);
                json.insert(u"error"_s, u"interrupted"_s);
                session.Output().Json(json);
                return ECliExit::Interrupted;
            }
            const QString error =
                u"no acknowledge within %1 ms after the write"_s.arg(WRITE_CYCLE_TIMEOUT.count());
            session.Output().Error(where + u": "_s + error);
            json.insert(u"error"_s, error);
            session.Output().Json(json);
            return ECliExit::BusFailure;
        }
    }
    session.Progress().End();
    json.insert(u"bytes"_s, qint64(plan.image.size()));
    json.insert(u"pages"_s, qint64(chunks.size()));
    json.insert(u"polls"_s, qint64(polls));
    json.insert(u"durationUs"_s, MicrosecondsSince(started));
    json.insert(u"ok"_s, true);
    session.Output().Json(json);
    return ECliExit::Success;
}

} // namespace

ECliExit RunEeprom(CCliSession &session)
{
    const SCliPlan &plan = session.Plan();
    QJsonObject json = session.JsonBase();
    json.insert(u"address"_s, session.Address(plan.address));
    json.insert(u"file"_s, plan.file);
    switch (plan.eepromAction) {
    case EEepromAction::Read:
        return RunRead(session, json);
    case EEepromAction::Write:
        return RunWrite(session, json);
    case EEepromAction::Verify:
        return RunVerify(session, json);
    }
    return ECliExit::Usage;
}

} // namespace CliCommands
