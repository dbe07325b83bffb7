// SPDX-License-Identifier: MIT
#pragma once

#include "CliExitCode.h"
#include "CliPlan.h"
#include "SAdapterCapabilities.h"
#include "VtlTypes.h"

#include <QString>

#include <optional>
#include <vector>

class CBusSession;
class CCliOutput;

// The adapter a command runs on: chosen among the attached ones, checked against what the
// command asks of its model, and connected.
namespace CliAdapter {

struct SSelection
{
    std::optional<SVtlDeviceEntry> entry;
    ECliExit exit = ECliExit::Success;
    QString message;
};

// The variable that names the adapter when --adapter is not given.
inline constexpr const char *ADAPTER_VARIABLE = "VTL_ADAPTER";

// The adapter that `choice` names: a serial number (which wins), the place in the list as
// 'list' prints it (0 first) or a model letter that only one attached adapter has; with an
// empty `choice` the only attached adapter. `origin` is how messages name the choice
// ("--adapter", or the variable).
SSelection Select(const std::vector<SVtlDeviceEntry> &attached, const QString &choice,
                  const QString &origin = QStringLiteral("--adapter"));
// Select with --adapter's value, or without it VTL_ADAPTER's.
SSelection SelectFor(const std::vector<SVtlDeviceEntry> &attached, const QString &option);

// "A", "B" or "C".
QString ModelLetter(EVtlType type);
// "VantrelA SIM-A-0001" for each, for messages that list adapters.
QString DescribeList(const std::vector<SVtlDeviceEntry> &entries);

// What the plan asks that the model cannot do (a speed, the pull-up switch, a read larger
// than its limit, an address byte alone where the model cannot send one), as a usage message
// naming the argument; empty when it can do it all.
QString CheckModel(const SCliPlan &plan, const SAdapterCapabilities &model);

// Connects `bus` to the adapter; false after the error (and for a permission denial the
// fix) has been printed, `exit` then telling the status.
bool Open(CBusSession &bus, const SCliPlan &plan, const SVtlDeviceEntry &entry,
          const CCliOutput &output, ECliExit &exit);

} // namespace CliAdapter
