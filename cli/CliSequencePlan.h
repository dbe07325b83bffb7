// SPDX-License-Identifier: MIT
#pragma once

#include "CliCommandLine.h"
#include "CliPlan.h"

#include <QString>

// The plans of sequences: `script FILE|-` with --address for messages that name none, and
// `run` of a stored sequence at its device file's address; both take --dry-run.
namespace CliSequencePlan {

bool BuildScript(const SCliInvocation &invocation, SCliPlan &plan, QString &error);
// `plan.runCommand` is the sequence, `plan.address` its device's address.
bool BuildStored(const SCliInvocation &invocation, SCliPlan &plan, QString &error);

} // namespace CliSequencePlan
