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
        return {
            u"write"_s,
            u"Write bytes to a slave."_s,
            u"Writes the bytes to the slave at ADDR, with a start (and the address "
            u"byte) and a stop. A transaction left open cannot be continued by a later "
            u"run, which opens the adapter afresh: 'transfer' sends several messages "
            u"without a stop between them."_s,
            {{u"ADDR"_s, u"Slave address, hex."_s},
             {u"BYTE"_s, u"Hex bytes (01 A5 FF, 0x01,0xA5 or 01A5FF)."_s}},
            u"ADDR [BYTE...]"_s,
            {{NO_STOP, u"Refused: a later run cannot continue the transaction; use 'transfer'."_s},
             {NO_START, u"Refused: there is no transaction of an earlier run to continue; "
                        u"use 'transfer'."_s}},
            1,
            -1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        // Each run opens the adapter afresh and switches it off at its end, so half a
        // transaction cannot be finished by the next run: it belongs in one transfer.
        const bool noStop = invocation.flags.contains(NO_STOP);
        if (noStop || invocation.flags.contains(NO_START)) {
            error = u"--%1: a transaction cannot continue in another run of the program, which "
                    u"opens the adapter afresh; send its messages in one 'transfer' (for "
                    u"example: transfer w1@0x50 00 r2)"_s.arg(noStop ? NO_STOP : NO_START);
            return false;
        }
        if (!CliRequestArguments::ParseAddress(invocation, 0, plan, error))
            return false;
        const auto bytes = CliRequestArguments::ParseBytes(invocation, 1, u"i2ctransfer"_s, error);
        if (!bytes)
            return false;
        plan.requests.push_back(STransactionRequest::Write(plan.address, *bytes, true, true));
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
