// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"
#include "CliSpec.h"
#include "RegisterPlan.h"
#include "SRegisterMap.h"

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

class CCliOutput;
class CCliSession;
struct SCliInvocation;
struct SCliPlan;

// regs, reg and check: what the command line does with the register map of a device file.
struct SCliRegisterPlan
{
    QStringList files; // check: every file; regs and reg: the one file
    SRegisterMap map;
    bool dryRun = false;
    // regs and a read by reg: the write/reads to make. Read All is planned again once the
    // adapter's largest read is known.
    std::vector<SRegisterRead> reads;
    bool readAll = false;
    // reg with a VALUE: the register, the field (-1: the whole register) and the value.
    int reg = -1;
    int field = -1;
    std::optional<std::uint32_t> value;
};

namespace CliRegisters {

inline const QString OPTION_ADDRESS = QStringLiteral("address");
inline const QString OPTION_DRY_RUN = QStringLiteral("dry-run");

// The subcommands' entries of the command table, and their options.
void AppendCommands(QList<SCliCommandSpec> &commands);
std::optional<QCommandLineOption> Option(const QString &name);

// Checks the arguments and fills the plan's register part (and its address); a refused
// write (a read-only register or field) and a read of a write-only one are refused here,
// before any adapter is opened.
bool BuildPlan(const SCliInvocation &invocation, SCliPlan &plan, QString &error);

// check and --dry-run need no adapter.
bool RunsWithoutAdapter(const SCliPlan &plan);
ECliExit RunWithoutAdapter(const SCliPlan &plan, const CCliOutput &output);
ECliExit Run(CCliSession &session);

} // namespace CliRegisters
