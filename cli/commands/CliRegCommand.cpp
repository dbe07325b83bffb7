// SPDX-License-Identifier: MIT
// reg: one register or field of a device file's map, read or written.
#include "CliPlan.h"
#include "CliRegisters.h"

using namespace Qt::StringLiterals;

namespace {

class CRegCommand final : public CCliRegisterCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"reg"_s,
                u"Read or write one register or field."_s,
                u"Reads the register NAME, writes VALUE to it, or with NAME.FIELD changes one "
                u"field by reading the register (a write-only one starts from its reset value), "
                u"replacing the field's bits and writing it back; flags that clear on writing 1 "
                u"are written as 0. A read-only register or field is refused before anything is "
                u"sent."_s,
                {{u"FILE"_s, CliRegisters::FILE_DESCRIPTION},
                 {u"NAME"_s, u"Register name, or REGISTER.FIELD."_s},
                 {u"VALUE"_s, u"0x.. hex, decimal, or one of the field's enum texts."_s}},
                u"FILE NAME[.FIELD] [VALUE]"_s,
                {CliSpec::AddressOption(), CliSpec::DryRunOption()},
                2,
                3};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        return CliRegisters::BuildReg(invocation, plan, m_registers, error);
    }
};

} // namespace

namespace CliCommands {

SCliCommandEntry RegCommand()
{
    return CliCommandEntry<CRegCommand>();
}

} // namespace CliCommands
