// SPDX-License-Identifier: MIT
// script: a sequence of steps from a file or standard input.
#include "CliPlan.h"
#include "CliSequence.h"
#include "CliSequencePlan.h"

using namespace Qt::StringLiterals;

namespace {

class CScriptCommand final : public CCliCommand
{
public:
    static SCliCommandSpec Spec()
    {
        return {u"script"_s,
                u"Run a sequence of steps from a file."_s,
                u"Runs the steps of FILE (- for standard input), one a line: a transfer in the "
                u"syntax of transfer (a message without @ goes to --address), delay 10ms (also "
                u"us and s), expect <transfer> == BYTES [mask BYTES], poll <transfer> until "
                u"BYTES [mask BYTES] every T timeout T (a message that is not acknowledged "
                u"counts as not yet matched), repeat N ... end, echo TEXT, and # comments. Every "
                u"line is checked before anything is sent. Exit status 1 names the line of a "
                u"failed expect, a poll that timed out or a bus error."_s,
                {{u"FILE"_s, u"Script file (.i2cseq), or - for standard input."_s}},
                u"FILE|-"_s,
                {CliSpec::AddressOption(), CliSpec::DryRunOption()},
                1,
                1};
    }

    bool Plan(const SCliInvocation &invocation, SCliPlan &plan, QString &error) override
    {
        return CliSequencePlan::BuildScript(invocation, plan, m_sequence, error);
    }

    bool NeedsAdapter() const override { return !m_sequence.dryRun; }

    ECliExit Run(CCliSession &session) const override
    {
        return CliSequence::Run(session, m_sequence.program);
    }

    ECliExit RunAlone(const SCliPlan &plan, const CCliOutput &output) const override
    {
        return CliSequence::RunDryRun(plan, m_sequence.program, output);
    }

private:
    SCliSequencePlan m_sequence;
};

} // namespace

namespace CliCommands {

SCliCommandEntry ScriptCommand()
{
    return CliCommandEntry<CScriptCommand>();
}

} // namespace CliCommands
