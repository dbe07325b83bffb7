// SPDX-License-Identifier: MIT
// regs: the registers of a device file's map, read and decoded.
#include "CliPlan.h"
#include "CliRegisters.h"

using namespace Qt::StringLiterals;

namespace {

class CRegsCommand final : public CCliRegisterCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"regs"_s,
                u"Read and decode the registers of a device file."_s,
                u"Reads the named registers (default: every one that Read All reads, so neither "
                u"write-only ones nor those whose reading clears something) of the device in "
                u"FILE at its address and prints one line per register: name, address, value "
                u"and the meaning of its fields."_s,
                {{u"FILE"_s, CliRegisters::FILE_DESCRIPTION}, {u"NAME"_s, u"Register name."_s}},
                u"FILE [NAME...]"_s,
                {CliSpec::AddressOption(), CliSpec::DryRunOption()},
                1,
                -1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        return CliRegisters::BuildRegs(invocation, plan, m_registers, error);
    }
};

} // namespace

namespace CliCommands {

SCliCommandEntry RegsCommand()
{
    return CliCommandEntry<CRegsCommand>();
}

} // namespace CliCommands
