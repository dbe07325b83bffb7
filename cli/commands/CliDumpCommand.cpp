// SPDX-License-Identifier: MIT
// dump: registers or memory as hex and ASCII, read with write/reads that start by writing
// the offset.
#include "CI2cDeviceFile.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliRequestArguments.h"
#include "CliSession.h"
#include "CliValues.h"
#include "DumpLines.h"
#include "MemoryRequests.h"

using namespace Qt::StringLiterals;

namespace {

const QString FROM = u"from"_s;
const QString TO = u"to"_s;
constexpr std::uint32_t DEFAULT_TO = 0xFF;

class CDumpCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"dump"_s,
                u"Show registers or memory as hex and ASCII."_s,
                u"Reads the range --from to --to (default 0x00 to 0xFF) with write/reads that "
                u"start by writing the offset (--reg-width bytes) and prints it 16 bytes to a "
                u"line."_s,
                {{u"ADDR"_s, u"Slave address, hex."_s}},
                u"ADDR"_s,
                {{FROM, u"First offset, hex (default 0x00)."_s, u"X"_s},
                 {TO, u"Last offset, hex (default 0xFF)."_s, u"Y"_s},
                 {CliOption::REG_WIDTH, u"Width of the offset in bytes, big-endian."_s, u"1|2"_s}},
                1,
                1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        if (!CliRequestArguments::ParseAddress(invocation, 0, plan, error))
            return false;
        int width = 1;
        if (invocation.values.contains(CliOption::REG_WIDTH)) {
            const auto choice = CliValues::ParseChoice(
                invocation.values.value(CliOption::REG_WIDTH), {1, 2}, u"--reg-width"_s, error);
            if (!choice)
                return false;
            width = *choice;
        }
        const std::uint32_t max = width == 1 ? 0xFF : 0xFFFF;
        std::uint32_t from = 0;
        std::uint32_t to = std::min(DEFAULT_TO, max);
        const QString widthNote = width == 1 ? u" (more takes --reg-width 2)"_s : QString();
        const QString fromText = invocation.values.value(FROM);
        const QString toText = invocation.values.value(TO);
        if (invocation.values.contains(FROM)) {
            const auto value = CliValues::ParseHexNumber(fromText, max, u"--from"_s, error);
            if (!value) {
                error += widthNote;
                return false;
            }
            from = *value;
        }
        if (invocation.values.contains(TO)) {
            const auto value = CliValues::ParseHexNumber(toText, max, u"--to"_s, error);
            if (!value) {
                error += widthNote;
                return false;
            }
            to = *value;
        }
        if (from > to) {
            error = u"--from %1 lies after --to %2"_s.arg(fromText, toText);
            return false;
        }
        plan.offsetWidth = width;
        plan.from = from;
        plan.length = std::size_t(to - from) + 1;
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override
    {
        const SCliPlan &plan = session.Plan();
        const std::vector<SMemoryChunk> chunks = MemoryRequests::Reads(
            plan.address, plan.from, plan.length, plan.offsetWidth, session.Adapter().maxReadCount);
        QJsonObject json = session.JsonBase();
        json.insert(u"address"_s, session.Address(plan.address));
        json.insert(u"from"_s, session.Offset(plan.from));
        json.insert(u"to"_s, session.Offset(plan.from + plan.length - 1));
        std::vector<unsigned char> data;
        session.Progress().Begin(u"dump "_s + session.Address(plan.address), plan.length,
                                 u"bytes"_s);
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
        session.JsonResult(json);
        return ECliExit::Success;
    }
};

} // namespace

namespace CliCommands {

SCliCommandEntry DumpCommand()
{
    return CliCommandEntry<CDumpCommand>();
}

} // namespace CliCommands
