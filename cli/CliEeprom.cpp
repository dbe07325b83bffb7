// SPDX-License-Identifier: MIT
#include "CliEeprom.h"

#include "CEepromEngine.h"
#include "COutputFile.h"
#include "CliOutput.h"
#include "CliProgress.h"
#include "CliSession.h"
#include "EepromParts.h"
#include "EepromSpanCheck.h"
#include "HexFormat.h"
#include "Plural.h"

#include <QJsonArray>

#include <chrono>
#include <optional>
#include <vector>

using namespace Qt::StringLiterals;

namespace CliEeprom {

namespace {

const QString UNIT_BYTES = u"bytes"_s;

using Clock = std::chrono::steady_clock;

QString PartName(const SEepromPart &part)
{
    return part.name.empty() ? u"custom"_s : QString::fromStdString(part.name);
}

QString Label(const CCliSession &session)
{
    return session.Plan().commandName + u' ' + session.Address(session.Plan().address);
}

qint64 MicrosecondsSince(Clock::time_point started)
{
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - started).count();
}

// One engine operation as a job on the bus, with the progress line.
SBusProcedureResult Run(CCliSession &session, std::uint64_t total,
                        const std::function<SBusProcedureResult(CBusContext &)> &operation)
{
    session.Progress().Begin(Label(session), total, UNIT_BYTES);
    session.Progress().SetBase(0);
    const SBusProcedureResult result = session.RunProcedure(operation);
    session.Progress().End();
    return result;
}

// Words a failed or interrupted operation at the offset where it stopped: 130 after a
// Ctrl+C, else the status of the failure's kind.
ECliExit Failure(CCliSession &session, const SBusProcedureResult &result,
                 const SEepromOutcome &outcome, QJsonObject json)
{
    QString where = Label(session);
    if (outcome.failedAt) {
        where += u" at offset "_s + session.Offset(*outcome.failedAt);
        json.insert(u"offset"_s, session.Offset(*outcome.failedAt));
    }
    return session.Failure(where, result.cancelled, result.failure, result.error, json);
}

// A verify that found differences: exit status 1 with the first differing offset, and how
// many bytes differ when it is more than that one.
ECliExit Difference(CCliSession &session, const SCliEepromPlan &eeprom,
                    const SEepromOutcome &outcome, QJsonObject json)
{
    const SCliPlan &plan = session.Plan();
    const QString offset = session.Offset(*outcome.FirstDifference());
    const std::size_t count = outcome.DifferingCount();
    json.insert(u"identical"_s, false);
    json.insert(u"offset"_s, offset);
    json.insert(u"expected"_s, HexFormat::hexByte(outcome.expected));
    json.insert(u"actual"_s, HexFormat::hexByte(outcome.actual));
    json.insert(u"differing"_s, qint64(count));
    const QString address = session.Address(plan.address);
    const QString actual = HexFormat::hexByte(outcome.actual);
    QString text;
    if (eeprom.file.isEmpty()) {
        text = u"the EEPROM at %1 is not blank from offset %2 on: EEPROM %3"_s.arg(address, offset,
                                                                                   actual);
    } else {
        text = u"'%1' differs from the EEPROM at %2 from offset %3 on: file %4, EEPROM %5"_s.arg(
            eeprom.file, address, offset, HexFormat::hexByte(outcome.expected), actual);
    }
    if (count > 1)
        text += u"; %1 differ"_s.arg(Plural::Count(count, u"byte"_s, u"bytes"_s));
    session.Output().Result(text);
    session.JsonResult(json, false);
    return ECliExit::BusFailure;
}

ECliExit RunRead(CCliSession &session, const SCliEepromPlan &eeprom, QJsonObject json)
{
    const SCliPlan &plan = session.Plan();
    const CEepromEngine engine(eeprom.part, plan.address);
    const Clock::time_point started = Clock::now();
    SEepromOutcome outcome;
    const SBusProcedureResult result = Run(session, eeprom.length, [&](CBusContext &bus) {
        return engine.Read(bus, eeprom.offset, eeprom.length, outcome);
    });
    json.insert(u"bytes"_s, qint64(outcome.data.size()));
    if (!result.ok)
        return Failure(session, result, outcome, json);
    json.insert(u"durationUs"_s, MicrosecondsSince(started));

    SMemoryImage image;
    // The file's offsets count from --offset, as write and verify read them.
    image.segments.push_back({0, std::move(outcome.data)});
    COutputFile file(eeprom.file);
    if (!file.Write(ImageFile::Encode(image, eeprom.format))) {
        // The bus was read, so this is no usage error.
        session.Output().Error(
            u"FILE '%1' cannot be written: %2"_s.arg(eeprom.file, file.GetLastError()));
        session.Output().JsonResult(session.Plan().commandName, json, false, file.GetLastError());
        return ECliExit::BusFailure;
    }
    // Standard output holds the image alone.
    if (!file.IsStandardOutput())
        session.JsonResult(json);
    return ECliExit::Success;
}

// Reads the image's bytes back; words a difference or a failure itself, leaves a match to the
// caller.
ECliExit RunCompare(CCliSession &session, const SCliEepromPlan &eeprom, const SMemoryImage &image,
                    QJsonObject json, Clock::time_point started)
{
    const SCliPlan &plan = session.Plan();
    const CEepromEngine engine(eeprom.part, plan.address);
    SEepromOutcome outcome;
    const SBusProcedureResult result = Run(session, image.ByteCount(), [&](CBusContext &bus) {
        return engine.Verify(bus, image, outcome);
    });
    json.insert(u"durationUs"_s, MicrosecondsSince(started));
    if (outcome.Differs())
        return Difference(session, eeprom, outcome, json);
    if (!result.ok)
        return Failure(session, result, outcome, json);
    return ECliExit::Success;
}

ECliExit RunVerify(CCliSession &session, const SCliEepromPlan &eeprom, QJsonObject json)
{
    const SCliPlan &plan = session.Plan();
    const SMemoryImage &image = eeprom.image;
    json.insert(u"bytes"_s, qint64(image.ByteCount()));
    const ECliExit exit = RunCompare(session, eeprom, image, json, Clock::now());
    if (exit != ECliExit::Success)
        return exit;
    json.insert(u"identical"_s, true);
    const qint64 bytes = qint64(image.ByteCount());
    session.Output().Result(u"%1 of '%2' %3 the EEPROM at %4"_s.arg(
        Plural::Count(bytes, u"byte"_s, u"bytes"_s), eeprom.file,
        bytes == 1 ? u"matches"_s : u"match"_s, session.Address(plan.address)));
    session.JsonResult(json);
    return ECliExit::Success;
}

// "0x50 to 0x57", "0x53 and 0x57": the device addresses a part answers at.
QString SpanText(const CCliSession &session, const std::vector<std::uint8_t> &addresses)
{
    const auto address = [&](std::size_t index) {
        return session.Address(addresses[index]);
    };
    const std::size_t last = addresses.size() - 1;
    if (addresses.size() == 1)
        return address(0);
    if (addresses.size() == 2)
        return address(0) + u" and "_s + address(1);
    if (std::size_t(addresses.back() - addresses.front()) == last)
        return address(0) + u" to "_s + address(last);
    QStringList texts;
    for (std::size_t index = 0; index <= last; ++index)
        texts.append(address(index));
    return texts.join(u", "_s);
}

// Before a write: every address the part spans must answer as that part, so that a wrong
// part never writes into the chip next to it. None when it does; else the status of the
// refusal (2) or of the bus's failure.
std::optional<ECliExit> CheckSpan(CCliSession &session, const SCliEepromPlan &eeprom,
                                  const QJsonObject &json)
{
    const std::uint8_t base = session.Plan().address;
    std::optional<EepromSpanCheck::SFault> fault;
    const SBusProcedureResult result = session.RunProcedure(
        [&](CBusContext &bus) { return EepromSpanCheck::Check(bus, eeprom.part, base, fault); });
    if (!result.ok)
        return Failure(session, result, SEepromOutcome(), json);
    if (!fault)
        return std::nullopt;
    const QString stranger = session.Address(fault->address);
    const QString why = fault->fault == EepromSpanCheck::EFault::Silent
                            ? u"%1 does not answer"_s.arg(stranger)
                            : u"%1 answers as another chip, not as block %2 of the part"_s.arg(
                                  stranger, QString::number(fault->block));
    const QString part =
        eeprom.part.name.empty() ? u"the part"_s : QString::fromStdString(eeprom.part.name);
    const QString text = u"%1 spans %2, but %3; nothing was written"_s.arg(
        part, SpanText(session, EepromSpanCheck::Addresses(eeprom.part, base)), why);
    return session.Failure(Label(session), false, EFailureKind::InvalidArgument, text.toStdString(),
                           json);
}

// write and erase: checks the part's span, programs the image, then reads it back when
// asked to.
ECliExit RunProgram(CCliSession &session, const SCliEepromPlan &eeprom, const SMemoryImage &image,
                    QJsonObject json)
{
    const SCliPlan &plan = session.Plan();
    if (const std::optional<ECliExit> refused = CheckSpan(session, eeprom, json))
        return *refused;
    const CEepromEngine engine(eeprom.part, plan.address);
    const Clock::time_point started = Clock::now();
    SEepromOutcome outcome;
    const SBusProcedureResult result = Run(session, image.ByteCount(), [&](CBusContext &bus) {
        return engine.Program(bus, image, outcome);
    });
    json.insert(u"written"_s, qint64(outcome.done));
    json.insert(u"pages"_s, qint64(outcome.pages));
    json.insert(u"polls"_s, qint64(outcome.polls));
    if (!result.ok)
        return Failure(session, result, outcome, json);
    json.insert(u"bytes"_s, qint64(image.ByteCount()));
    QString text = u"%1 %2 of the EEPROM at %3 in %4"_s.arg(
        eeprom.action == EEepromAction::Erase ? u"erased"_s : u"wrote"_s,
        Plural::Count(image.ByteCount(), u"byte"_s, u"bytes"_s), session.Address(plan.address),
        Plural::Count(outcome.pages, u"page"_s, u"pages"_s));
    if (eeprom.verify) {
        const ECliExit exit = RunCompare(session, eeprom, image, json, started);
        if (exit != ECliExit::Success)
            return exit;
        json.insert(u"verified"_s, true);
        text += u", verified"_s;
    }
    json.insert(u"durationUs"_s, MicrosecondsSince(started));
    session.Output().Result(text);
    session.JsonResult(json);
    return ECliExit::Success;
}

} // namespace

ECliExit Run(CCliSession &session, const SCliEepromPlan &eeprom)
{
    const SCliPlan &plan = session.Plan();
    QJsonObject json = session.JsonBase();
    json.insert(u"address"_s, session.Address(plan.address));
    json.insert(u"part"_s, PartName(eeprom.part));
    if (!eeprom.file.isEmpty())
        json.insert(u"file"_s, eeprom.file);
    switch (eeprom.action) {
    case EEepromAction::Read:
        return RunRead(session, eeprom, json);
    case EEepromAction::Write:
        return RunProgram(session, eeprom, eeprom.image, json);
    case EEepromAction::Verify:
        return RunVerify(session, eeprom, json);
    case EEepromAction::Erase:
        return RunProgram(session, eeprom, CEepromEngine::Blank(eeprom.offset, eeprom.length),
                          json);
    case EEepromAction::Parts:
        break;
    }
    return ECliExit::Usage;
}

ECliExit PrintParts(const QString &command, const CCliOutput &output)
{
    QStringList lines{u"PART       SIZE  PAGE  ADDRESS BYTES  DEVICE ADDRESS BITS  WRITE CYCLE"_s};
    QJsonArray parts;
    for (const SEepromPart &part : EepromParts::All()) {
        const auto cycleMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(part.writeCycle).count();
        QString bits = u"-"_s;
        if (part.blockBits > 0) {
            bits = part.blockBits == 1
                       ? u"%1"_s.arg(part.blockShift)
                       : u"%1-%2"_s.arg(part.blockShift).arg(part.blockShift + part.blockBits - 1);
        }
        lines.append(u"%1 %2 %3  %4  %5  %6 ms"_s.arg(QString::fromStdString(part.name), -8)
                         .arg(part.size, 6)
                         .arg(part.pageSize, 5)
                         .arg(part.addressBytes, -13)
                         .arg(bits, -19)
                         .arg(cycleMs, 2));
        QJsonObject json;
        json.insert(u"name"_s, QString::fromStdString(part.name));
        json.insert(u"size"_s, qint64(part.size));
        json.insert(u"page"_s, qint64(part.pageSize));
        json.insert(u"addressBytes"_s, part.addressBytes);
        json.insert(u"blockBits"_s, part.blockBits);
        json.insert(u"blockShift"_s, part.blockShift);
        json.insert(u"writeCycleMs"_s, qint64(cycleMs));
        parts.append(json);
    }
    output.Result(lines.join(u'\n'));
    output.JsonResult(command, {{u"parts"_s, parts}}, true);
    return ECliExit::Success;
}

} // namespace CliEeprom
