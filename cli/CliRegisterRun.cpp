// SPDX-License-Identifier: MIT
#include "CliDryRun.h"
#include "CliOutput.h"
#include "CliPlan.h"
#include "CliProgress.h"
#include "CliRegisters.h"
#include "CliSession.h"
#include "CliValues.h"
#include "RegisterBits.h"
#include "RegisterProcedures.h"
#include "RegisterText.h"

#include <QJsonArray>
#include <QJsonObject>

using namespace Qt::StringLiterals;

namespace CliRegisters {

namespace {

QJsonObject RegisterJson(const SRegisterMap &map, int index, std::uint32_t value)
{
    const SRegister &reg = map.registers.at(index);
    QJsonObject json;
    json.insert(u"register"_s, reg.name);
    json.insert(u"registerAddress"_s, RegisterText::Address(reg.address, map.addressBytes));
    json.insert(u"value"_s, RegisterText::Hex(value, reg.size));
    json.insert(u"meaning"_s, RegisterText::RegisterMeaning(reg, value));
    QJsonArray fields;
    for (const SRegisterField &field : reg.fields) {
        const std::uint32_t raw = RegisterBits::Extract(value, field);
        fields.append(QJsonObject{{u"name"_s, field.name},
                                  {u"bits"_s, RegisterText::Bits(field)},
                                  {u"raw"_s, qint64(raw)},
                                  {u"meaning"_s, RegisterText::FieldMeaning(field, raw)}});
    }
    json.insert(u"fields"_s, fields);
    return json;
}

// One line per register, the names and addresses in columns.
QString RegisterLines(const SRegisterMap &map, const std::vector<int> &order,
                      const std::map<int, std::uint32_t> &values)
{
    qsizetype width = 0;
    for (const int index : order)
        width = std::max(width, map.registers.at(index).name.size());
    QStringList lines;
    for (const int index : order) {
        const auto found = values.find(index);
        if (found == values.end())
            continue;
        const SRegister &reg = map.registers.at(index);
        QString line = reg.name.leftJustified(width) + u"  "_s +
                       RegisterText::Address(reg.address, map.addressBytes) + u"  "_s +
                       RegisterText::Hex(found->second, reg.size);
        const QString meaning = RegisterText::RegisterMeaning(reg, found->second);
        if (!meaning.isEmpty())
            line += u"  "_s + meaning;
        lines.append(line);
    }
    return lines.join(u'\n');
}

} // namespace

ECliExit RunDryRun(const SCliPlan &plan, const SCliRegisterPlan &registers,
                   const CCliOutput &output)
{
    const SRegisterMap &map = registers.map;
    std::vector<STransactionRequest> requests;
    for (const SRegisterRead &read : registers.reads)
        requests.push_back(RegisterPlan::ReadRequest(plan.address, map, read));
    if (registers.value) {
        const SRegister &reg = map.registers.at(registers.reg);
        std::uint32_t value = *registers.value;
        if (registers.field >= 0) {
            if (reg.access != ERegisterAccess::WriteOnly) {
                requests.push_back(RegisterPlan::ReadRequest(
                    plan.address, map, RegisterPlan::ReadEach(map, {registers.reg}).front()));
                output.Error(u"note: the write shows %1 from its reset value %2 with the "
                             u"field changed; the value read decides"_s.arg(
                                 reg.name, RegisterText::Hex(reg.reset.value_or(0), reg.size)));
            }
            value = RegisterPlan::ComposeFieldWrite(reg, registers.field, reg.reset.value_or(0),
                                                    *registers.value);
        }
        requests.push_back(RegisterPlan::WriteRequest(plan.address, map, registers.reg, value));
    }
    return CliDryRun::Print(plan, requests, output);
}

namespace {

ECliExit Finish(CCliSession &session, const SRegisterJobResult &job, const QJsonObject &json)
{
    if (job.result.ok)
        return ECliExit::Success;
    return session.Failure(session.Plan().commandName, job.result.cancelled, job.result.failure,
                           job.result.error, json);
}

} // namespace

ECliExit Run(CCliSession &session, const SCliRegisterPlan &registers)
{
    const SCliPlan &plan = session.Plan();
    const SRegisterMap &map = registers.map;
    const std::uint8_t device = plan.address;
    QJsonObject json = session.JsonBase();
    json.insert(u"address"_s, session.Address(device));
    SRegisterJobResult job;
    if (registers.value) {
        const int reg = registers.reg;
        const int field = registers.field;
        const std::uint32_t value = *registers.value;
        session.RunProcedure([&](CBusContext &context) {
            job = field < 0 ? RegisterProcedures::WriteRegister(context, device, map, reg, value)
                            : RegisterProcedures::WriteField(context, device, map, reg, field,
                                                             value, std::nullopt);
            return job.result;
        });
        json.insert(u"register"_s, map.registers.at(reg).name);
        if (field >= 0)
            json.insert(u"field"_s, map.registers.at(reg).fields.at(field).name);
        if (!job.result.ok)
            return Finish(session, job, json);
        const QJsonObject written = RegisterJson(map, reg, *job.written);
        for (auto it = written.begin(); it != written.end(); ++it)
            json.insert(it.key(), it.value());
        session.JsonResult(json);
        return ECliExit::Success;
    }

    const std::vector<SRegisterRead> reads =
        registers.readAll ? RegisterPlan::ReadAll(map, session.Adapter().maxReadCount)
                          : registers.reads;
    session.Progress().Begin(plan.commandName + u' ' + session.Address(device), reads.size(),
                             u"reads"_s);
    session.RunProcedure([&](CBusContext &context) {
        job = RegisterProcedures::Read(context, device, map, reads);
        return job.result;
    });
    session.Progress().End();
    std::vector<int> order;
    for (const SRegisterRead &read : reads)
        order.insert(order.end(), read.registers.begin(), read.registers.end());
    session.Output().Result(RegisterLines(map, order, job.values));
    for (const int index : order) {
        const auto found = job.values.find(index);
        if (found == job.values.end())
            continue;
        QJsonObject line = json;
        const QJsonObject fields = RegisterJson(map, index, found->second);
        for (auto it = fields.begin(); it != fields.end(); ++it)
            line.insert(it.key(), it.value());
        session.JsonResult(line);
    }
    return Finish(session, job, json);
}

} // namespace CliRegisters
