// SPDX-License-Identifier: MIT
// get: registers of a slave, the register address written and the bytes read after a
// repeated start.
#include "CliPlan.h"
#include "CliRequestArguments.h"
#include "CliSingleTransaction.h"
#include "CliValues.h"

using namespace Qt::StringLiterals;

namespace {

class CGetCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"get"_s,
                u"Read registers of a slave."_s,
                u"Writes REG, then reads COUNT bytes (default 1) after a repeated start."_s,
                {{u"ADDR"_s, u"Slave address, hex."_s},
                 {u"REG"_s,
                  u"Register: one to four hex byte pairs, or one hex number with --reg-width."_s},
                 {u"COUNT"_s, u"Number of bytes, decimal or hex with 0x (default 1)."_s}},
                u"ADDR REG [COUNT]"_s,
                {CliRequestArguments::RegisterWidthOption()},
                2,
                3};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        if (!CliRequestArguments::ParseAddress(invocation, 0, plan, error))
            return false;
        const auto reg = CliRequestArguments::ParseRegister(invocation, 1, error);
        if (!reg)
            return false;
        std::size_t count = 1;
        if (invocation.arguments.size() > 2) {
            const QString text = invocation.arguments.at(2);
            if (CliValues::IsModeLetter(text)) {
                error = CliValues::ModeLetterMessage(u"COUNT"_s, text, u"i2cget"_s);
                return false;
            }
            const auto parsed =
                CliValues::ParseCount(text, 1, CliPlan::MAX_COUNT, u"COUNT"_s, error);
            if (!parsed)
                return false;
            count = *parsed;
        }
        plan.NoteRead(count, u"COUNT"_s);
        plan.requests.push_back(STransactionRequest::WriteRead(plan.address, *reg, count));
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override { return CliSingleTransaction::Run(session); }
};

} // namespace

namespace CliCommands {

SCliCommandEntry GetCommand()
{
    return CliCommandEntry<CGetCommand>();
}

} // namespace CliCommands
