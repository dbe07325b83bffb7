// SPDX-License-Identifier: MIT
#include "CliRegisters.h"

#include "CI2cDeviceFile.h"
#include "CliCommandLine.h"
#include "CliInputFile.h"
#include "CliPlan.h"
#include "CliValues.h"
#include "RegisterText.h"

using namespace Qt::StringLiterals;

namespace CliRegisters {

namespace {

QString Names(const QList<SRegister> &registers)
{
    QStringList names;
    for (const SRegister &reg : registers)
        names.append(reg.name);
    return names.isEmpty() ? u"none"_s : names.join(u", "_s);
}

QString FieldNames(const SRegister &reg)
{
    QStringList names;
    for (const SRegisterField &field : reg.fields)
        names.append(field.name);
    return names.isEmpty() ? u"none"_s : names.join(u", "_s);
}

// A whole register is shown in hex, so its value is the bits; "raw:" may say so all the same.
std::optional<std::uint32_t> RegisterValue(const SRegister &reg, const QString &text,
                                           QString &error)
{
    const QString typed = text.trimmed();
    if (!typed.startsWith(RegisterText::RAW_PREFIX, Qt::CaseInsensitive))
        return RegisterText::ParseRegisterValue(reg, text, error);
    return RegisterText::ParseRegisterValue(reg, typed.mid(RegisterText::RAW_PREFIX.size()), error);
}

class CBuilder
{
public:
    CBuilder(const SCliInvocation &invocation, SCliPlan &plan, SCliRegisterPlan &registers,
             QString &error)
        : m_invocation(invocation)
        , m_plan(plan)
        , m_registers(registers)
        , m_error(error)
    {}

    // regs, or reg with `regs` false.
    bool Build(bool regs)
    {
        m_registers.dryRun = m_invocation.flags.contains(CliOption::DRY_RUN);
        if (!LoadFile())
            return false;
        return regs ? BuildRegs() : BuildReg();
    }

private:
    QString Argument(int index) const { return m_invocation.arguments.value(index); }

    bool LoadFile()
    {
        const QString path = Argument(0);
        m_registers.file = path;
        CI2cDeviceFile device;
        QString why;
        if (!CliInputFile::LoadDevice(path, device, why)) {
            m_error = u"FILE %1: %2"_s.arg(CliValues::Quoted(path), why);
            return false;
        }
        if (!device.GetRegisters()) {
            m_error = u"FILE %1 holds no register map"_s.arg(CliValues::Quoted(path));
            return false;
        }
        m_registers.map = *device.GetRegisters();
        m_plan.address = device.GetAddress();
        if (m_invocation.values.contains(CliOption::ADDRESS)) {
            const auto address =
                CliValues::ParseAddress(m_invocation.values.value(CliOption::ADDRESS),
                                        m_plan.global.eightBit, u"--address"_s, m_error);
            if (!address)
                return false;
            m_plan.address = *address;
        }
        return true;
    }

    int FindRegister(const QString &name)
    {
        const int index = RegisterNames::FindRegister(m_registers.map, name);
        if (index < 0)
            m_error = u"NAME %1 is no register of %2; it has %3"_s.arg(
                CliValues::Quoted(name), CliValues::Quoted(m_registers.file),
                Names(m_registers.map.registers));
        return index;
    }

    bool CheckReadable(int index)
    {
        const SRegister &reg = m_registers.map.registers.at(index);
        if (reg.access != ERegisterAccess::WriteOnly)
            return true;
        m_error = u"Register %1 is write-only and cannot be read"_s.arg(reg.name);
        return false;
    }

    bool BuildRegs()
    {
        const SRegisterMap &map = m_registers.map;
        if (m_invocation.arguments.size() == 1) {
            m_registers.reads = RegisterPlan::ReadAll(map, 0);
            m_registers.readAll = true;
            return true;
        }
        std::vector<int> named;
        for (int i = 1; i < m_invocation.arguments.size(); ++i) {
            const int index = FindRegister(Argument(i));
            if (index < 0 || !CheckReadable(index))
                return false;
            named.push_back(index);
        }
        m_registers.reads = RegisterPlan::ReadEach(map, named);
        return true;
    }

    bool BuildReg()
    {
        const QString target = Argument(1);
        const qsizetype dot = target.indexOf(u'.');
        const int reg = FindRegister(dot < 0 ? target : target.left(dot));
        if (reg < 0)
            return false;
        const SRegister &chosen = m_registers.map.registers.at(reg);
        m_registers.reg = reg;
        if (dot >= 0) {
            const QString fieldName = target.mid(dot + 1);
            m_registers.field = RegisterNames::FindField(chosen, fieldName);
            if (m_registers.field < 0) {
                m_error = u"NAME %1: %2 is no field of %3; it has %4"_s.arg(
                    CliValues::Quoted(target), CliValues::Quoted(fieldName), chosen.name,
                    FieldNames(chosen));
                return false;
            }
            if (m_invocation.arguments.size() < 3) {
                m_error = u"VALUE missing: NAME.FIELD sets a field"_s;
                return false;
            }
        }
        if (m_invocation.arguments.size() < 3) {
            if (!CheckReadable(reg))
                return false;
            m_registers.reads = RegisterPlan::ReadEach(m_registers.map, {reg});
            return true;
        }
        const SRegisterField *field =
            m_registers.field < 0 ? nullptr : &chosen.fields.at(m_registers.field);
        const QString refusal = RegisterPlan::WriteRefusal(chosen, field);
        if (!refusal.isEmpty()) {
            m_error = refusal;
            return false;
        }
        QString why;
        m_registers.value =
            field == nullptr ? RegisterValue(chosen, Argument(2), why)
                             : RegisterText::ParseShownFieldValue(chosen, *field, Argument(2), why);
        if (!m_registers.value) {
            m_error = u"VALUE "_s + why;
            return false;
        }
        if (field != nullptr && chosen.access == ERegisterAccess::WriteOnly && !chosen.reset) {
            m_error = u"Register %1 is write-only and has no reset value: write the whole "
                      u"register"_s.arg(chosen.name);
            return false;
        }
        return true;
    }

    const SCliInvocation &m_invocation;
    SCliPlan &m_plan;
    SCliRegisterPlan &m_registers;
    QString &m_error;
};

} // namespace

bool BuildRegs(const SCliInvocation &invocation, SCliPlan &plan, SCliRegisterPlan &registers,
               QString &error)
{
    return CBuilder(invocation, plan, registers, error).Build(true);
}

bool BuildReg(const SCliInvocation &invocation, SCliPlan &plan, SCliRegisterPlan &registers,
              QString &error)
{
    return CBuilder(invocation, plan, registers, error).Build(false);
}

} // namespace CliRegisters
