// SPDX-License-Identifier: MIT
#include "CliRegisters.h"

#include "CI2cDeviceFile.h"
#include "CliCommandLine.h"
#include "CliPlan.h"
#include "CliValues.h"
#include "RegisterText.h"

using namespace Qt::StringLiterals;

namespace CliRegisters {

namespace {

const QString FILE_DESCRIPTION = u"Device file (.i2cdev) with a register map."_s;

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

class CBuilder
{
public:
    CBuilder(const SCliInvocation &invocation, SCliPlan &plan, QString &error)
        : m_invocation(invocation)
        , m_plan(plan)
        , m_registers(plan.registers)
        , m_error(error)
    {}

    bool Build()
    {
        if (m_plan.command == ECliCommand::Check) {
            m_registers.files = m_invocation.arguments;
            return true;
        }
        m_registers.dryRun = m_invocation.flags.contains(OPTION_DRY_RUN);
        if (!LoadFile())
            return false;
        if (m_plan.command == ECliCommand::Regs)
            return BuildRegs();
        return BuildReg();
    }

private:
    QString Argument(int index) const { return m_invocation.arguments.value(index); }

    bool LoadFile()
    {
        const QString path = Argument(0);
        m_registers.files = {path};
        m_plan.file = path;
        CI2cDeviceFile device;
        if (!device.Load(path)) {
            m_error = u"FILE %1: %2"_s.arg(CliValues::Quoted(path), device.GetLastError());
            return false;
        }
        if (!device.GetRegisters()) {
            m_error = u"FILE %1 holds no register map"_s.arg(CliValues::Quoted(path));
            return false;
        }
        m_registers.map = *device.GetRegisters();
        m_plan.address = device.GetAddress();
        if (m_invocation.values.contains(OPTION_ADDRESS)) {
            const auto address =
                CliValues::ParseAddress(m_invocation.values.value(OPTION_ADDRESS),
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
                CliValues::Quoted(name), CliValues::Quoted(m_plan.file),
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
        m_registers.value = field == nullptr
                                ? RegisterText::ParseRegisterValue(chosen, Argument(2), why)
                                : RegisterText::ParseFieldValue(chosen, *field, Argument(2), why);
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

void AppendCommands(QList<SCliCommandSpec> &commands)
{
    commands.append(
        {ECliCommand::Regs,
         u"regs"_s,
         u"Read and decode the registers of a device file."_s,
         u"Reads the named registers (default: every one that Read All reads, so neither "
         u"write-only ones nor those whose reading clears something) of the device in FILE at "
         u"its address and prints one line per register: name, address, value and the "
         u"meaning of its fields."_s,
         {{u"FILE"_s, FILE_DESCRIPTION}, {u"NAME"_s, u"Register name."_s}},
         u"FILE [NAME...]"_s,
         {OPTION_ADDRESS, OPTION_DRY_RUN},
         1,
         -1});
    commands.append(
        {ECliCommand::Reg,
         u"reg"_s,
         u"Read or write one register or field."_s,
         u"Reads the register NAME, writes VALUE to it, or with NAME.FIELD changes one field "
         u"by reading the register (a write-only one starts from its reset value), replacing "
         u"the field's bits and writing it back; flags that clear on writing 1 are written "
         u"as 0. A read-only register or field is refused before anything is sent."_s,
         {{u"FILE"_s, FILE_DESCRIPTION},
          {u"NAME"_s, u"Register name, or REGISTER.FIELD."_s},
          {u"VALUE"_s, u"0x.. hex, decimal, or one of the field's enum texts."_s}},
         u"FILE NAME[.FIELD] [VALUE]"_s,
         {OPTION_ADDRESS, OPTION_DRY_RUN},
         2,
         3});
    commands.append({ECliCommand::Check,
                     u"check"_s,
                     u"Check device files without an adapter."_s,
                     u"Loads each FILE as the window does and names what is wrong with the "
                     u"ones it refuses. Exit status 0 when all load, 2 otherwise."_s,
                     {{u"FILE"_s, u"Device file (.i2cdev)."_s}},
                     u"FILE..."_s,
                     {},
                     1,
                     -1});
}

std::optional<QCommandLineOption> Option(const QString &name)
{
    if (name == OPTION_ADDRESS)
        return QCommandLineOption(OPTION_ADDRESS, u"Slave address instead of the file's, hex."_s,
                                  u"ADDR"_s);
    if (name == OPTION_DRY_RUN)
        return QCommandLineOption(OPTION_DRY_RUN,
                                  u"Print the transfers in the syntax of 'transfer' instead of "
                                  u"making them; no adapter is used."_s);
    return std::nullopt;
}

bool BuildPlan(const SCliInvocation &invocation, SCliPlan &plan, QString &error)
{
    return CBuilder(invocation, plan, error).Build();
}

} // namespace CliRegisters
