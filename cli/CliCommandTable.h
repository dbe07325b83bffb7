// SPDX-License-Identifier: MIT
#pragma once

#include "CliCommand.h"

#include <QList>
#include <QString>

// The commands of the program, one entry each, in the order of the program's help.
namespace CliCommandTable {

const QList<SCliCommandEntry> &Entries();
// The entry of the command of that name, or null.
const SCliCommandEntry *Find(const QString &name);

} // namespace CliCommandTable
