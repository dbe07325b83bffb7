// SPDX-License-Identifier: MIT
#pragma once

#include "CliSpec.h"
#include "I2cTypes.h"

#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

// The options that every subcommand takes.
struct SCliGlobalOptions
{
    QString adapter; // serial number; empty: the only attached adapter
    EI2cSpeed speed = EI2cSpeed::Speed100k;
    std::optional<bool> pullUps;
    bool eightBit = false;
    bool json = false;
    bool quiet = false;
    bool progress = false;
    bool allAddresses = false;
};

// A command line whose syntax is right: the subcommand, the global options checked, and
// the subcommand's arguments and options still as text.
struct SCliInvocation
{
    const SCliCommandSpec *spec = nullptr;
    SCliGlobalOptions global;
    QStringList arguments;
    QMap<QString, QString> values; // options with a value, by name
    QSet<QString> flags;           // options without a value that were given
};

enum class ECliParseOutcome
{
    Run,
    Help,
    Version,
    UsageError,
};

struct SCliParseResult
{
    ECliParseOutcome outcome = ECliParseOutcome::UsageError;
    // The help or version text, or the message of a usage error.
    QString text;
    // With a usage error: the usage line of the subcommand (or of the program) and a hint
    // where to find more.
    QString usage;
    // With a usage error: the command's name when it is known, and whether --json was asked
    // for, so that a script still gets its one JSON object.
    QString command;
    bool json = false;
    SCliInvocation invocation;
};

namespace CliCommandLine {

// `arguments` as QCoreApplication::arguments() has them, the program's name first.
// `epilog` is added to the program's help.
SCliParseResult Parse(const QStringList &arguments, const QString &epilog = {});

// "Usage: <program> [options] <syntax>" for a subcommand, or for the program with null.
QString UsageLine(const QString &program, const SCliCommandSpec *spec);

} // namespace CliCommandLine
