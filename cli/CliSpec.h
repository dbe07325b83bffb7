// SPDX-License-Identifier: MIT
#pragma once

#include <QCommandLineOption>
#include <QList>
#include <QString>
#include <QStringList>

// The subcommands of the command-line program.
enum class ECliCommand
{
    List,
    Detect,
    Read,
    Write,
    Get,
    Set,
    Transfer,
    Dump,
    Eeprom,
    Run,
    // Register maps of device files (CliRegisters.h).
    Regs,
    Reg,
    Check,
    Script,
    // The library of common parts.
    Parts,
};

// One positional argument of a subcommand, as its help shows it.
struct SCliPositional
{
    QString name;
    QString description;
};

// What a subcommand takes: its positional arguments (the last may repeat) and the names
// of its own options, besides the global ones.
struct SCliCommandSpec
{
    ECliCommand command = ECliCommand::List;
    QString name;
    QString summary;
    QString description;
    QList<SCliPositional> positionals;
    QString syntax; // the positional arguments as the usage line writes them
    QStringList optionNames;
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
inline const QString ALL = QStringLiteral("all");
inline const QString NO_STOP = QStringLiteral("no-stop");
inline const QString NO_START = QStringLiteral("no-start");
inline const QString REG_WIDTH = QStringLiteral("reg-width");
inline const QString FROM = QStringLiteral("from");
inline const QString TO = QStringLiteral("to");
inline const QString SIZE = QStringLiteral("size");
inline const QString PAGE = QStringLiteral("page");
inline const QString ADDR_WIDTH = QStringLiteral("addr-width");
inline const QString ADDRESS = QStringLiteral("address");
inline const QString DRY_RUN = QStringLiteral("dry-run");
// detect and parts
inline const QString IDENTIFY = QStringLiteral("identify");
inline const QString ALLOW_UNSAFE = QStringLiteral("allow-unsafe");
inline const QString PATH = QStringLiteral("path");
// eeprom
inline const QString PART = QStringLiteral("part");
inline const QString FORMAT = QStringLiteral("format");
inline const QString OFFSET = QStringLiteral("offset");
inline const QString LENGTH = QStringLiteral("length");
inline const QString VERIFY = QStringLiteral("verify");
} // namespace CliOption

namespace CliSpec {

const QList<SCliCommandSpec> &Commands();
// The subcommand of that name, or null.
const SCliCommandSpec *Find(const QString &name);

QList<QCommandLineOption> GlobalOptions();
// The options of the subcommands, each once, in the order of CommandOptionNames.
// `command` words an option the way that command takes it (dump's --reg-width is 1|2).
QList<QCommandLineOption> CommandOptions(const QStringList &names,
                                         ECliCommand command = ECliCommand::List);
QStringList AllCommandOptionNames();

} // namespace CliSpec
