// SPDX-License-Identifier: MIT
#pragma once

#include "CliCommand.h"
#include "CliExitCode.h"
#include "RegisterPlan.h"
#include "SRegisterMap.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

class CCliOutput;
class CCliSession;
struct SCliInvocation;
struct SCliPlan;

// regs and reg: what the command line does with the register map of a device file.
struct SCliRegisterPlan
{
    QString file;
    SRegisterMap map;
    bool dryRun = false;
    // regs and a read by reg: the write/reads to make. Read All is planned again once the
    // adapter's largest read is known.
    std::vector<SRegisterRead> reads;
    bool readAll = false;
    // reg with a VALUE: the register, the field (-1: the whole register) and the value.
    int reg = -1;
    int field = -1;
    std::optional<std::uint32_t> value;
};

namespace CliRegisters {

// FILE's positional argument, as regs and reg describe it.
inline const QString FILE_DESCRIPTION =
    QStringLiteral("Device file (.i2cdev) with a register map.");

// Check the arguments and fill `registers` and the plan's address; a refused write (a
// read-only register or field) and a read of a write-only one are refused here, before any
// adapter is opened.
bool BuildRegs(const SCliInvocation &invocation, SCliPlan &plan, SCliRegisterPlan &registers,
               QString &error);
bool BuildReg(const SCliInvocation &invocation, SCliPlan &plan, SCliRegisterPlan &registers,
              QString &error);

// --dry-run: the transfers in the syntax of transfer, without an adapter.
ECliExit RunDryRun(const SCliPlan &plan, const SCliRegisterPlan &registers,
                   const CCliOutput &output);
ECliExit Run(CCliSession &session, const SCliRegisterPlan &registers);

} // namespace CliRegisters

// The common half of regs and reg: both read or write through a register plan, and a dry run
// prints it without an adapter; the commands differ only in their arguments.
class CCliRegisterCommand : public CCliCommand
{
public:
    bool NeedsAdapter() const override { return !m_registers.dryRun; }
    ECliExit Run(CCliSession &session) const override
    {
        return CliRegisters::Run(session, m_registers);
    }
    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        return CliRegisters::RunDryRun(plan, m_registers, output);
    }

protected:
    SCliRegisterPlan m_registers;
};
