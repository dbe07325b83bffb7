// SPDX-License-Identifier: MIT
// read: bytes from a slave.
#include "CliPlan.h"
#include "CliRequestArguments.h"
#include "CliSingleTransaction.h"
#include "CliValues.h"

using namespace Qt::StringLiterals;

namespace {

class CReadCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"read"_s,
                u"Read bytes from a slave."_s,
                u"Reads COUNT bytes from the slave at ADDR."_s,
                {{u"ADDR"_s, u"Slave address, hex."_s},
                 {u"COUNT"_s,
                  u"Number of bytes, decimal or hex with 0x (1 to the adapter's limit)."_s}},
                u"ADDR COUNT"_s,
                {},
                2,
                2};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        if (!CliRequestArguments::ParseAddress(invocation, 0, plan, error))
            return false;
        const auto count = CliValues::ParseCount(invocation.arguments.value(1), 1,
                                                 CliPlan::MAX_COUNT, u"COUNT"_s, error);
        if (!count)
            return false;
        plan.NoteRead(*count, u"COUNT"_s);
        plan.requests.push_back(STransactionRequest::Read(plan.address, *count));
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override { return CliSingleTransaction::Run(session); }
};

} // namespace

namespace CliCommands {

SCliCommandEntry ReadCommand()
{
    return CliCommandEntry<CReadCommand>();
}

} // namespace CliCommands
