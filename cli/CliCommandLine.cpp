// SPDX-License-Identifier: MIT
#include "CliCommandLine.h"

#include "CliValues.h"
#include "VtlVersion.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace CliCommandLine {

namespace {

const QString DEFAULT_PROGRAM = u"vtl-i2c-cli"_s;
const QString HELP = u"help"_s;
const QString VERSION = u"version"_s;

QList<QCommandLineOption> HelpAndVersion()
{
    return {{{u"h"_s, HELP}, u"Show this help."_s}, {{u"v"_s, VERSION}, u"Show the version."_s}};
}

void AddOptions(QCommandLineParser &parser, const QList<QCommandLineOption> &options)
{
    for (const QCommandLineOption &option : options)
        parser.addOption(option);
}

QString VersionText(const QString &program)
{
    return program + u' ' + QString::fromLatin1(VTL_APP_VERSION);
}

QString OptionSyntax(const QCommandLineOption &option)
{
    QStringList names;
    for (const QString &name : option.names())
        names.append(name.size() == 1 ? u"-"_s + name : u"--"_s + name);
    QString syntax = names.join(u", "_s);
    if (!option.valueName().isEmpty())
        syntax += u" <"_s + option.valueName() + u'>';
    return syntax;
}

// Two columns, the left one as wide as its widest entry.
QString Table(const QList<QPair<QString, QString>> &rows)
{
    qsizetype width = 0;
    for (const auto &row : rows)
        width = std::max(width, row.first.size());
    QString text;
    for (const auto &row : rows)
        text += u"  "_s + row.first.leftJustified(width) + u"  "_s + row.second + u'\n';
    return text;
}

QString OptionTable(const QList<QCommandLineOption> &options)
{
    QList<QPair<QString, QString>> rows;
    for (const QCommandLineOption &option : options)
        rows.append({OptionSyntax(option), option.description()});
    return Table(rows);
}

QString ProgramHelp(const QString &program, const QString &epilog)
{
    QString text = UsageLine(program, nullptr) + u'\n';
    text += u"Talks to I2C slaves through a Vantrel USB adapter (models A, B and C).\n\n"_s;
    text += u"Commands:\n"_s;
    QList<QPair<QString, QString>> rows;
    for (const SCliCommandSpec &spec : CliSpec::Commands())
        rows.append({spec.name, spec.summary});
    text += Table(rows);
    text += u"\nOptions:\n"_s + OptionTable(CliSpec::GlobalOptions() + HelpAndVersion());
    text += u"\nRun '%1 COMMAND --help' for the arguments of a command.\n"
            u"Addresses and bytes are hex, counts and sizes decimal.\n"_s.arg(program);
    text += u"\nExit status: 0 success; 1 bus failure (NACK, arbitration lost, time-out) or a\n"
            u"difference found by verify; 2 usage error; 3 no usable adapter; 128 + the signal's\n"
            u"number when interrupted (130 after Ctrl+C).\n"_s;
    text += u"\ni2cdetect, i2cget, i2cset, i2cdump and i2ctransfer run as commands with the\n"
            u"arguments, output and exit statuses of i2c-tools; I2CBUS is the adapter's place\n"
            u"in 'list' (0 first) or its serial number.\n"_s;
    if (!epilog.isEmpty())
        text += u'\n' + epilog + u'\n';
    return text;
}

QString CommandHelp(const QString &program, const SCliCommandSpec &spec)
{
    QString text = UsageLine(program, &spec) + u'\n' + spec.description + u'\n';
    if (!spec.positionals.isEmpty()) {
        QList<QPair<QString, QString>> rows;
        for (const SCliPositional &positional : spec.positionals)
            rows.append({positional.name, positional.description});
        text += u"\nArguments:\n"_s + Table(rows);
    }
    if (!spec.options.isEmpty())
        text += u"\nOptions:\n"_s + OptionTable(spec.options);
    text += u"\nGlobal options:\n"_s + OptionTable(CliSpec::GlobalOptions() + HelpAndVersion());
    return text;
}

// Whether -v stands among the options, alone or in a cluster such as -qv: i2c-tools users
// type it for "verbose", which must not turn a command into printing the version.
bool HasShortVersion(const QStringList &arguments)
{
    for (const QString &argument : arguments.mid(1)) {
        if (argument == u"--"_s)
            break;
        if (argument.size() < 2 || argument.startsWith(u"--"_s) || !argument.startsWith(u'-'))
            continue;
        if (argument.contains(u'v'))
            return true;
    }
    return false;
}

SCliParseResult UsageError(const QString &message, const QString &usage)
{
    SCliParseResult result;
    result.outcome = ECliParseOutcome::UsageError;
    result.text = message;
    result.usage = usage;
    return result;
}

SCliParseResult TextResult(ECliParseOutcome outcome, const QString &text)
{
    SCliParseResult result;
    result.outcome = outcome;
    result.text = text;
    return result;
}

bool ParseGlobalOptions(const QCommandLineParser &parser, SCliGlobalOptions &options,
                        QString &error)
{
    using namespace CliOption;
    options.adapter = parser.value(ADAPTER);
    if (parser.isSet(ADAPTER) && options.adapter.isEmpty()) {
        error = u"--adapter needs a serial number"_s;
        return false;
    }
    if (parser.isSet(SPEED)) {
        const std::optional<EI2cSpeed> speed =
            CliValues::ParseSpeed(parser.value(SPEED), u"--speed"_s, error);
        if (!speed)
            return false;
        options.speed = *speed;
    }
    if (parser.isSet(PULLUPS)) {
        options.pullUps = CliValues::ParseOnOff(parser.value(PULLUPS), u"--pullups"_s, error);
        if (!options.pullUps)
            return false;
    }
    options.eightBit = parser.isSet(EIGHT_BIT);
    options.json = parser.isSet(JSON);
    options.quiet = parser.isSet(QUIET);
    options.progress = parser.isSet(PROGRESS);
    options.allAddresses = parser.isSet(ALL_ADDRESSES);
    return true;
}

} // namespace

QString UsageLine(const QString &program, const SCliCommandSpec *spec)
{
    if (spec == nullptr)
        return u"Usage: %1 [options] COMMAND [arguments]"_s.arg(program);
    QString line = u"Usage: %1 [options] %2"_s.arg(program, spec->name);
    if (!spec->syntax.isEmpty())
        line += u' ' + spec->syntax;
    return line;
}

SCliParseResult Parse(const QStringList &arguments, const QString &epilog)
{
    const QString program =
        arguments.isEmpty() ? DEFAULT_PROGRAM : QFileInfo(arguments.first()).fileName();
    const QString programUsage = UsageLine(program, nullptr);

    // First pass with every option of every command, only to find the command: an option
    // that takes a value must not be mistaken for it.
    QCommandLineParser first;
    AddOptions(first, CliSpec::GlobalOptions() + HelpAndVersion() + CliSpec::AllCommandOptions());
    if (!first.parse(arguments))
        return UsageError(first.errorText(), programUsage);
    const QStringList positional = first.positionalArguments();
    if (positional.isEmpty()) {
        if (first.isSet(HELP))
            return TextResult(ECliParseOutcome::Help, ProgramHelp(program, epilog));
        if (first.isSet(VERSION))
            return TextResult(ECliParseOutcome::Version, VersionText(program));
        return UsageError(u"no command given"_s, programUsage);
    }
    const SCliCommandSpec *spec = CliSpec::Find(positional.first());
    if (spec == nullptr)
        return UsageError(u"unknown command '%1'"_s.arg(positional.first()), programUsage);
    if (first.isSet(HELP))
        return TextResult(ECliParseOutcome::Help, CommandHelp(program, *spec));
    if (first.isSet(VERSION) && HasShortVersion(arguments))
        return UsageError(
            u"%1: -v is no option of a command (there is no verbose mode; the "
            u"version is --version, and 'i2ctransfer -v' prints its messages)"_s.arg(spec->name),
            UsageLine(program, spec));
    if (first.isSet(VERSION))
        return TextResult(ECliParseOutcome::Version, VersionText(program));

    const QString usage = UsageLine(program, spec);
    QCommandLineParser parser;
    AddOptions(parser, CliSpec::GlobalOptions() + HelpAndVersion() + spec->options);
    if (!parser.parse(arguments))
        return UsageError(u"%1: %2"_s.arg(spec->name, parser.errorText()), usage);

    SCliParseResult result;
    result.outcome = ECliParseOutcome::Run;
    SCliInvocation &invocation = result.invocation;
    invocation.spec = spec;
    invocation.arguments = parser.positionalArguments().mid(1);
    const auto count = invocation.arguments.size();
    if (count < spec->minArguments) {
        const QString missing = spec->positionals.value(int(count)).name;
        return UsageError(u"%1: %2 missing"_s.arg(spec->name, missing), usage);
    }
    if (spec->maxArguments >= 0 && count > spec->maxArguments) {
        return UsageError(u"%1: unexpected argument '%2'"_s.arg(
                              spec->name, invocation.arguments.at(spec->maxArguments)),
                          usage);
    }
    QString error;
    if (!ParseGlobalOptions(parser, invocation.global, error))
        return UsageError(error, usage);
    for (const QCommandLineOption &option : spec->options) {
        const QString name = option.names().constLast();
        if (!parser.isSet(name))
            continue;
        if (option.valueName().isEmpty())
            invocation.flags.insert(name);
        else
            invocation.values.insert(name, parser.value(name));
    }
    return result;
}

} // namespace CliCommandLine
