// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QtGlobal>

// Another program that asked for a row's transaction through this program's shared adapter:
// its name and process id. The window's own rows have none.
struct STableRowClient
{
    QString program;
    qint64 pid = 0;

    // "vtl-i2c-cli (pid 1234)".
    QString Text() const { return QStringLiteral("%1 (pid %2)").arg(program).arg(pid); }
};
