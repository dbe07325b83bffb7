// SPDX-License-Identifier: MIT
// dump: registers or memory as hex and ASCII, read with write/reads that start by writing
// the offset.
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliRequestArguments.h"
#include "CliSession.h"
#include "CliValues.h"
#include "DumpLines.h"
#include "EFailureKind.h"
#include "MemoryRequests.h"
#include "NumberText.h"

using namespace Qt::StringLiterals;

namespace {

const QString FROM = u"from"_s;
const QString TO = u"to"_s;
const QString BYTE_WISE = u"byte-wise"_s;
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
                u"line. When the first read repeats a group of 2 to 4 bytes (not all alike) "
                u"from its start to its end, the slave's register pointer does not advance: the "
                u"range is read again register by register, with a note. --byte-wise does so "
                u"from the start; there a register that does not answer shows XX."_s,
                {{u"ADDR"_s, u"Slave address, hex."_s}},
                u"ADDR"_s,
                {{FROM, u"First offset, hex (default 0x00)."_s, u"X"_s},
                 {TO, u"Last offset, hex (default 0xFF)."_s, u"Y"_s},
                 {CliOption::REG_WIDTH, u"Width of the offset in bytes, big-endian."_s, u"1|2"_s},
                 {BYTE_WISE, u"Read register by register: write the offset, read one byte."_s}},
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
            // Without --to the default is what the message has to name.
            const QString toNamed = invocation.values.contains(TO)
                                        ? toText
                                        : NumberText::Hex(to, 2 * width) + u" (the default)"_s;
            error = u"--from %1 lies after --to %2"_s.arg(fromText, toNamed);
            return false;
        }
        m_byteWise = invocation.flags.contains(BYTE_WISE);
        plan.offsetWidth = width;
        plan.from = from;
        plan.length = std::size_t(to - from) + 1;
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override
    {
        const SCliPlan &plan = session.Plan();
        QJsonObject json = session.JsonBase();
        json.insert(u"address"_s, session.Address(plan.address));
        json.insert(u"from"_s, session.Offset(plan.from));
        json.insert(u"to"_s, session.Offset(plan.from + plan.length - 1));
        SDump dump;
        ECliExit exit = ECliExit::Success;
        if (!m_byteWise && !ReadStream(session, json, dump, exit))
            return exit;
        if (m_byteWise || dump.byteWise) {
            dump = {};
            dump.byteWise = true;
            if (!ReadByteWise(session, json, dump, exit))
                return exit;
        }
        session.Output().Result(
            DumpLines::Format(plan.from, dump.data, plan.offsetWidth * 2, dump.missing));
        Complete(json, dump);
        session.JsonResult(json);
        return ECliExit::Success;
    }

private:
    struct SDump
    {
        std::vector<unsigned char> data;
        std::vector<bool> missing; // byte-wise: the registers that did not answer
        bool byteWise = false;
    };

    static void Complete(QJsonObject &json, const SDump &dump)
    {
        json.insert(u"data"_s, DumpLines::Hex(dump.data, dump.missing));
        json.insert(u"count"_s, qint64(dump.data.size()));
        if (dump.byteWise)
            json.insert(u"byteWise"_s, true);
    }

    static ECliExit Failed(CCliSession &session, QJsonObject &json, const SDump &dump,
                           const STransactionRecord &record)
    {
        const SCliPlan &plan = session.Plan();
        session.Progress().End();
        Complete(json, dump);
        // The offset of the first byte that did not come, not of the chunk it was in.
        const std::size_t stopped = plan.from + dump.data.size();
        return session.Failure(
            u"dump %1 at offset %2"_s.arg(session.Address(plan.address), session.Offset(stopped)),
            record, json);
    }

    // In reads as long as the adapter makes them; false after a failure, with its status.
    // The first read decides whether the slave is one to read register by register.
    static bool ReadStream(CCliSession &session, QJsonObject &json, SDump &dump, ECliExit &exit)
    {
        const SCliPlan &plan = session.Plan();
        const std::vector<SMemoryChunk> chunks = MemoryRequests::Reads(
            plan.address, plan.from, plan.length, plan.offsetWidth, session.Adapter().maxReadCount);
        session.Progress().Begin(u"dump "_s + session.Address(plan.address), plan.length,
                                 u"bytes"_s);
        for (const SMemoryChunk &chunk : chunks) {
            session.Progress().SetBase(chunk.offset - plan.from, chunk.request.data.size() + 1);
            const STransactionRecord record = session.Execute(chunk.request);
            dump.data.insert(dump.data.end(), record.read.data.begin(), record.read.data.end());
            if (!record.ok) {
                exit = Failed(session, json, dump, record);
                return false;
            }
            const std::size_t group =
                chunk.offset == plan.from ? MemoryRequests::RepeatedGroup(record.read.data) : 0;
            if (group != 0) {
                session.Output().Error(
                    u"note: dump %1: the read repeats %2 over and over; reading register by "
                    u"register"_s.arg(
                        session.Address(plan.address),
                        DumpLines::Hex({record.read.data.begin(),
                                        record.read.data.begin() + std::ptrdiff_t(group)})));
                dump.byteWise = true;
                break;
            }
        }
        session.Progress().End();
        return true;
    }

    // One write/read of one byte per register, as i2cdump's byte mode reads: a register that
    // does not acknowledge is marked and the next one read; any other failure ends the dump,
    // and so does a slave where no register answered.
    static bool ReadByteWise(CCliSession &session, QJsonObject &json, SDump &dump, ECliExit &exit)
    {
        const SCliPlan &plan = session.Plan();
        const std::vector<SMemoryChunk> registers =
            MemoryRequests::Reads(plan.address, plan.from, plan.length, plan.offsetWidth, 1);
        session.Progress().Begin(u"dump "_s + session.Address(plan.address), plan.length,
                                 u"bytes"_s);
        std::optional<STransactionRecord> firstNack;
        bool answered = false;
        for (const SMemoryChunk &chunk : registers) {
            session.Progress().SetBase(chunk.offset - plan.from, chunk.request.data.size() + 1);
            const STransactionRecord record = session.Execute(chunk.request);
            const bool nack =
                !record.ok && IsNotAcknowledged(record.failure) && !session.IsInterrupted();
            if (!record.ok && !nack) {
                exit = Failed(session, json, dump, record);
                return false;
            }
            if (nack && !firstNack)
                firstNack = record;
            answered = answered || record.ok;
            dump.data.push_back(record.ok && !record.read.data.empty() ? record.read.data[0] : 0);
            dump.missing.push_back(!record.ok);
        }
        session.Progress().End();
        if (answered || !firstNack)
            return true;
        dump.data.clear();
        dump.missing.clear();
        exit = Failed(session, json, dump, *firstNack);
        return false;
    }

    bool m_byteWise = false;
};

} // namespace

namespace CliCommands {

SCliCommandEntry DumpCommand()
{
    return CliCommandEntry<CDumpCommand>();
}

} // namespace CliCommands
