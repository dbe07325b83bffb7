// SPDX-License-Identifier: MIT
#pragma once

#include "CSequenceProgram.h"
#include "CliCommandLine.h"
#include "CliPlan.h"
#include "SI2cCommand.h"

#include <QString>

// script, and run of a stored sequence: the steps with their repeats as loops; --dry-run
// prints them and sends none.
struct SCliSequencePlan
{
    CSequenceProgram program;
    bool dryRun = false;
};

// The plans of sequences: `script FILE|-` with --address for messages that name none, and
// `run` of a stored sequence at its device file's address; both take --dry-run.
namespace CliSequencePlan {

bool BuildScript(const SCliInvocation &invocation, SCliPlan &plan, SCliSequencePlan &sequence,
                 QString &error);
// `command` is the sequence, `plan.address` its device's address.
bool BuildStored(const SCliInvocation &invocation, const SI2cCommand &command, SCliPlan &plan,
                 SCliSequencePlan &sequence, QString &error);

} // namespace CliSequencePlan
