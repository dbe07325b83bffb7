// SPDX-License-Identifier: MIT
#pragma once

#include "CSequenceProgram.h"
#include "CliExitCode.h"

#include <QString>

class CCliOutput;
class CCliSession;
struct SCliPlan;

// The steps of script, and of run of a stored sequence.
namespace CliSequence {

// --dry-run: every step as it would run, repeats unrolled, in the syntax of transfer and
// the sequence language, without an adapter. Printed as the walk goes, so a long run holds
// no list of its steps; JSON is one object whose "transfers" array is written piece by piece.
ECliExit RunDryRun(const SCliPlan &plan, const CSequenceProgram &program, const CCliOutput &output);
// The steps on the bus, each one's result printed as it ends and then forgotten.
ECliExit Run(CCliSession &session, const CSequenceProgram &program);

} // namespace CliSequence
