// SPDX-License-Identifier: MIT
#include "RegisterProcedures.h"

#include "RegisterBits.h"

#include <QString>

using namespace Qt::StringLiterals;

namespace RegisterProcedures {

namespace {

SRegisterJobResult Refused(const QString &why)
{
    SRegisterJobResult job;
    job.result.ok = false;
    job.result.error = why.toStdString();
    return job;
}

void NoteFailure(SRegisterJobResult &job, const STransactionRecord &record, const QString &what)
{
    if (!job.result.ok)
        return;
    job.result.ok = false;
    job.result.cancelled = record.cancelled;
    job.result.failure = record.failure;
    job.result.error = (what + u": "_s + QString::fromStdString(record.lastError)).toStdString();
}

} // namespace

SRegisterJobResult Read(CBusContext &context, std::uint8_t device, const SRegisterMap &map,
                        const std::vector<SRegisterRead> &reads)
{
    SRegisterJobResult job;
    std::uint64_t done = 0;
    for (const SRegisterRead &read : reads) {
        if (context.IsCancelRequested()) {
            job.result = SBusProcedureResult::Cancelled();
            break;
        }
        const STransactionRecord record =
            context.Execute(RegisterPlan::ReadRequest(device, map, read));
        context.ReportProgress(++done, reads.size());
        if (!record.ok) {
            NoteFailure(job, record,
                        u"Reading %1"_s.arg(map.registers.at(read.registers.front()).name));
            if (record.cancelled)
                break;
            continue;
        }
        std::size_t offset = 0;
        for (const int index : read.registers) {
            const SRegister &reg = map.registers.at(index);
            if (const std::optional<std::uint32_t> value =
                    RegisterBits::FromBytes(record.read.data, offset, reg.size, map.byteOrder))
                job.values[index] = *value;
            offset += std::size_t(reg.size);
        }
    }
    return job;
}

SRegisterJobResult WriteRegister(CBusContext &context, std::uint8_t device, const SRegisterMap &map,
                                 int reg, std::uint32_t value)
{
    const QString refusal = RegisterPlan::WriteRefusal(map.registers.at(reg), nullptr);
    if (!refusal.isEmpty())
        return Refused(refusal);
    SRegisterJobResult job;
    const STransactionRecord record =
        context.Execute(RegisterPlan::WriteRequest(device, map, reg, value));
    if (!record.ok) {
        NoteFailure(job, record, u"Writing %1"_s.arg(map.registers.at(reg).name));
        return job;
    }
    job.written = value;
    job.values[reg] = value;
    return job;
}

SRegisterJobResult WriteField(CBusContext &context, std::uint8_t device, const SRegisterMap &map,
                              int reg, int field, std::uint32_t fieldValue,
                              std::optional<std::uint32_t> lastWritten)
{
    const SRegister &target = map.registers.at(reg);
    const QString refusal = RegisterPlan::WriteRefusal(target, &target.fields.at(field));
    if (!refusal.isEmpty())
        return Refused(refusal);
    std::optional<std::uint32_t> current;
    if (target.access == ERegisterAccess::WriteOnly) {
        current = RegisterPlan::WriteOnlyBase(target, lastWritten);
        if (!current)
            return Refused(u"Register %1 is write-only and has no reset value: write the whole "
                           u"register first"_s.arg(target.name));
    } else {
        SRegisterJobResult read = Read(context, device, map, RegisterPlan::ReadEach(map, {reg}));
        if (!read.result.ok || read.values.count(reg) == 0)
            return read;
        current = read.values.at(reg);
    }
    const std::uint32_t value =
        RegisterPlan::ComposeFieldWrite(target, field, *current, fieldValue);
    return WriteRegister(context, device, map, reg, value);
}

} // namespace RegisterProcedures
