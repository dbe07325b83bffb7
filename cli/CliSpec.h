// SPDX-License-Identifier: MIT
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

// One positional argument of a subcommand, as its help shows it.
struct SCliPositional
{
    QString name;
    QString description;
};

// What a subcommand takes: its positional arguments (the last may repeat) and its own
// options, besides the global ones.
struct SCliCommandSpec
{
    QString name;
    QString summary;
    QString description;
    QList<SCliPositional> positionals;
    QString syntax; // the positional arguments as the usage line writes them
    QList<QCommandLineOption> options;
    int minArguments = 0;
    int maxArguments = 0; // -1: no limit
};

// The option names, as the program's code refers to them.
namespace CliOption {
inline const QString ADAPTER = QStringLiteral("adapter");
inline const QString SPEED = QStringLiteral("speed");
inline const QString PULLUPS = QStringLiteral("pullups");
inline const QString EIGHT_BIT = QStringLiteral("8bit");
inline const QString JSON = QStringLiteral("json");
inline const QString QUIET = QStringLiteral("quiet");
inline const QString PROGRESS = QStringLiteral("progress");
inline const QString ALL_ADDRESSES = QStringLiteral("all-addresses");
// Taken by several commands.
inline const QString ADDRESS = QStringLiteral("address");
inline const QString DRY_RUN = QStringLiteral("dry-run");
inline const QString REG_WIDTH = QStringLiteral("reg-width");
} // namespace CliOption

namespace CliSpec {

// Every command of the command table, in the order of the program's help.
const QList<SCliCommandSpec> &Commands();
// The subcommand of that name, or null.
const SCliCommandSpec *Find(const QString &name);

QList<QCommandLineOption> GlobalOptions();
// The options of all subcommands, each name once, to find the command among them.
QList<QCommandLineOption> AllCommandOptions();

// Options that several commands share, worded alike in each one's help.
QCommandLineOption AddressOption();
QCommandLineOption DryRunOption();

} // namespace CliSpec
