// SPDX-License-Identifier: MIT
#include "CliCommand.h"

ECliExit CCliCommand::Run(CCliSession &) const
{
    return ECliExit::Usage;
}

ECliExit CCliCommand::RunAlone(const SCliPlan &, const CCliOutput &) const
{
    return ECliExit::Usage;
}
