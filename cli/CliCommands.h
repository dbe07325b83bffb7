// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"

class CCliOutput;
struct SCliPlan;

namespace CliCommands {

ECliExit RunList(const SCliPlan &plan, const CCliOutput &output);

} // namespace CliCommands
