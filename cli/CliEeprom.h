// SPDX-License-Identifier: MIT
#pragma once

#include "CliEepromPlan.h"
#include "CliExitCode.h"

#include <QString>

class CCliOutput;
class CCliSession;

// What eeprom does on the bus with the EEPROM engine, and its table of part presets.
namespace CliEeprom {

// read, write, verify or erase, as `eeprom` says.
ECliExit Run(CCliSession &session, const SCliEepromPlan &eeprom);
// eeprom parts: the preset table, without an adapter.
ECliExit PrintParts(const QString &command, const CCliOutput &output);

} // namespace CliEeprom
