// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"
#include "STransactionRequest.h"

#include <QString>

#include <vector>

class CCliOutput;
struct SCliPlan;

// What a dry run prints: the transactions a command would make, in the message syntax of
// transfer so that a line can be pasted there, and never an adapter opened for it.
namespace CliDryRun {

// "w1@0x48 01 r2", "r2@0x48", "w3@0x48 01 60 A0"; addresses in the notation in force. A write
// that leaves out its start or its stop, which transfer cannot say, carries a comment.
QString TransferLine(const STransactionRequest &request, bool eightBit);

// The lines on stdout, or one JSON object with "dryRun", "ok" and "transfers".
ECliExit Print(const SCliPlan &plan, const std::vector<STransactionRequest> &requests,
               const CCliOutput &output);

} // namespace CliDryRun
