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
                u"sent.\n\nA field takes its value as reg shows it: a field with a unit takes a "
                u"number in that unit, rounded to the nearest step (TLOW.T 75 writes the count "
                u"for 75 °C); an enum field one of its texts (AVG 4 is the entry '4'); a flag set, "
                u"clear, 1 or 0; another field its number, negative for a signed one (put -- "
                u"before a negative VALUE). raw: before hex with 0x or decimal gives the field's "
                u"bits instead (TLOW.T raw:0x4B0). A value the field cannot hold is refused with "
                u"its range. A whole register takes 0x.. hex or decimal."_s,
                {{u"FILE"_s, CliRegisters::FILE_DESCRIPTION},
                 {u"NAME"_s, u"Register name, or REGISTER.FIELD."_s},
                 {u"VALUE"_s, u"The value as reg shows it (75, 4 Hz, set), or raw:N."_s}},
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
