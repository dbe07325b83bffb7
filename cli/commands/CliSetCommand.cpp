// SPDX-License-Identifier: MIT
// set: the register address and the bytes in one write.
#include "CliPlan.h"
#include "CliRequestArguments.h"
#include "CliSingleTransaction.h"

using namespace Qt::StringLiterals;

namespace {

class CSetCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"set"_s,
                u"Write registers of a slave."_s,
                u"Writes REG and the bytes in one transaction."_s,
                {{u"ADDR"_s, u"Slave address, hex."_s},
                 {u"REG"_s, u"Register: one to four hex byte pairs, or one hex number "
                            u"with --reg-width."_s},
                 {u"BYTE"_s, u"Hex bytes."_s}},
                u"ADDR REG BYTE..."_s,
                {CliRequestArguments::RegisterWidthOption()},
                3,
                -1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        if (!CliRequestArguments::ParseAddress(invocation, 0, plan, error))
            return false;
        auto bytes = CliRequestArguments::ParseRegister(invocation, 1, error);
        if (!bytes)
            return false;
        const auto data = CliRequestArguments::ParseBytes(invocation, 2, u"i2cset"_s, error);
        if (!data)
            return false;
        bytes->insert(bytes->end(), data->begin(), data->end());
        plan.requests.push_back(STransactionRequest::Write(plan.address, *bytes));
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override { return CliSingleTransaction::Run(session); }
};

} // namespace

namespace CliCommands {

SCliCommandEntry SetCommand()
{
    return CliCommandEntry<CSetCommand>();
}

} // namespace CliCommands
