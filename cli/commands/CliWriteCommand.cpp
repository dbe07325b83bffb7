// SPDX-License-Identifier: MIT
// write: bytes to a slave, with or without the start and the stop.
#include "CliPlan.h"
#include "CliRequestArguments.h"
#include "CliSingleTransaction.h"

using namespace Qt::StringLiterals;

namespace {

const QString NO_STOP = u"no-stop"_s;
const QString NO_START = u"no-start"_s;

class CWriteCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"write"_s,
                u"Write bytes to a slave."_s,
                u"Writes the bytes to the slave at ADDR, with a start (and the address "
                u"byte) and a stop. Without a start the address byte is not sent, and "
                u"at least one byte is needed."_s,
                {{u"ADDR"_s, u"Slave address, hex."_s},
                 {u"BYTE"_s, u"Hex bytes (01 A5 FF, 0x01,0xA5 or 01A5FF)."_s}},
                u"ADDR [BYTE...]"_s,
                {{NO_STOP, u"End without a stop condition."_s},
                 {NO_START, u"Begin without a start condition and without the address byte."_s}},
                1,
                -1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        const bool start = !invocation.flags.contains(NO_START);
        const bool stop = !invocation.flags.contains(NO_STOP);
        // Without a start no address byte goes out, so a reserved address does no harm.
        if (!CliRequestArguments::ParseAddress(invocation, 0, plan, error, start))
            return false;
        const auto bytes = CliRequestArguments::ParseBytes(invocation, 1, u"i2ctransfer"_s, error);
        if (!bytes)
            return false;
        if (!start && bytes->empty()) {
            error = u"BYTE missing: a write without a start sends no address byte, so it "
                    u"needs at least one byte"_s;
            return false;
        }
        plan.requests.push_back(STransactionRequest::Write(plan.address, *bytes, start, stop));
        return true;
    }

    bool NeedsAdapter() const override { return true; }

    ECliExit Run(CCliSession &session) const override { return CliSingleTransaction::Run(session); }
};

} // namespace

namespace CliCommands {

SCliCommandEntry WriteCommand()
{
    return CliCommandEntry<CWriteCommand>();
}

} // namespace CliCommands
