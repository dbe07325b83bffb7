// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"

#include <cstdint>
#include <vector>

class CCliOutput;
class CCliSession;
struct SCliPlan;

// The subcommands' work. `list` needs no connected adapter; the others run on a session.
namespace CliCommands {

ECliExit RunList(const SCliPlan &plan, const CCliOutput &output);
// Every other subcommand, by the plan's command.
ECliExit RunOnBus(CCliSession &session);

ECliExit RunDetect(CCliSession &session);
// read, write, get, set and run: one transaction each.
ECliExit RunSingle(CCliSession &session);
ECliExit RunTransfer(CCliSession &session);
ECliExit RunDump(CCliSession &session);
ECliExit RunEeprom(CCliSession &session);
// eeprom parts: the preset table, without an adapter.
ECliExit RunEepromParts(const SCliPlan &plan, const CCliOutput &output);
// script, and run of a stored sequence; with --dry-run the steps without an adapter.
ECliExit RunSequence(CCliSession &session);
ECliExit RunDryRun(const SCliPlan &plan, const CCliOutput &output);
// parts: the library, without an adapter.
ECliExit RunParts(const SCliPlan &plan, const CCliOutput &output);
// detect --identify: after the grid, what the library knows of each found address.
ECliExit RunIdentify(CCliSession &session, const std::vector<std::uint8_t> &found);

} // namespace CliCommands
