// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"
#include "SSequenceStep.h"

#include <QString>

#include <vector>

class CCliOutput;
class CCliSession;

// The steps of script, and of run of a stored sequence.
namespace CliSequence {

// --dry-run: the steps as the sequence language writes them, without an adapter; addresses
// in 8-bit notation with `eightBit`.
ECliExit RunDryRun(const QString &command, const std::vector<SSequenceStep> &steps,
                   const CCliOutput &output, bool eightBit = false);
ECliExit Run(CCliSession &session, const std::vector<SSequenceStep> &steps);

} // namespace CliSequence
