// SPDX-License-Identifier: MIT
#include "CliCommandLine.h"

#include "CliValues.h"
#include "I2cTools.h"
#include "VtlVersion.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <algorithm>
#include <vector>

using namespace Qt::StringLiterals;

namespace CliCommandLine {

namespace {

const QString DEFAULT_PROGRAM = u"vtl-i2c-cli"_s;
const QString HELP = u"help"_s;
const QString VERSION = u"version"_s;
// Stands for a negative number while the options are parsed; followed by its index.
constexpr char16_t NUMBER_MARK = u'\xE000';

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
    text += u"\nExit status: 0 success; 1 bus failure (NACK, arbitration lost, time-out), a\n"
            u"difference found by verify, or results that could not be written; 2 usage error;\n"
            u"3 no usable adapter. Interrupted by SIGINT, SIGTERM or SIGHUP, the program cleans\n"
            u"up and then ends by that signal (a shell shows 130 after Ctrl+C).\n"_s;
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

// "-5", "-1.5", "-0x10": a value such as a signed field takes. No option's name begins with
// a digit or a point, so such an argument is never an option.
bool IsNegativeNumber(const QString &argument)
{
    if (argument.size() < 2 || argument.front() != u'-')
        return false;
    if (argument.at(1).isDigit())
        return true;
    return argument.size() > 2 && argument.at(1) == u'.' && argument.at(2).isDigit();
}

// The arguments with each negative number replaced by a mark the option parser leaves
// alone, and the way back to what was typed.
class CMaskedArguments
{
public:
    explicit CMaskedArguments(const QStringList &arguments)
    {
        for (const QString &argument : arguments) {
            if (IsNegativeNumber(argument)) {
                m_masked.append(QString(QChar(NUMBER_MARK)) +
                                QString::number(qsizetype(m_numbers.size())));
                m_numbers.push_back(argument);
            } else {
                m_masked.append(argument);
            }
        }
    }

    const QStringList &Masked() const { return m_masked; }

    QString Restore(const QString &text) const
    {
        if (text.isEmpty() || text.front() != QChar(NUMBER_MARK))
            return text;
        bool ok = false;
        const qsizetype index = text.mid(1).toLongLong(&ok);
        return ok && index >= 0 && index < qsizetype(m_numbers.size())
                   ? m_numbers.at(std::size_t(index))
                   : text;
    }

    QStringList Restore(QStringList texts) const
    {
        for (QString &text : texts)
            text = Restore(text);
        return texts;
    }

private:
    QStringList m_masked;
    std::vector<QString> m_numbers;
};

// The parser's message with the option as it was typed: "Unknown option '--bogus'.", and a
// letter of a cluster with its cluster ("Unknown option '-x' in '-qx'.").
QString ParserError(const QCommandLineParser &parser, const QStringList &arguments)
{
    const QStringList unknown = parser.unknownOptionNames();
    if (unknown.isEmpty())
        return parser.errorText();
    const QString name = unknown.constFirst();
    if (name.size() > 1)
        return u"Unknown option '--%1'."_s.arg(name);
    for (const QString &argument : arguments.mid(1)) {
        if (argument == u"--"_s)
            break;
        if (argument.size() > 2 && argument.startsWith(u'-') && !argument.startsWith(u"--"_s) &&
            argument.contains(name))
            return u"Unknown option '-%1' in '%2'."_s.arg(name, argument);
    }
    return u"Unknown option '-%1'."_s.arg(name);
}

// Whether --json (or -j, alone or in a cluster of flags) stands before a "--", for a command
// line that the parser refused.
bool AsksForJson(const QStringList &arguments)
{
    static const QString FLAGS = u"jqhv"_s;
    for (const QString &argument : arguments.mid(1)) {
        if (argument == u"--"_s)
            break;
        if (argument == u"--json"_s)
            return true;
        if (argument.size() < 2 || argument.startsWith(u"--"_s) || !argument.startsWith(u'-'))
            continue;
        const QString letters = argument.mid(1);
        if (letters.contains(u'j') && std::all_of(letters.begin(), letters.end(), [](QChar letter) {
                return FLAGS.contains(letter);
            }))
            return true;
    }
    return false;
}

// The first argument that is neither an option nor an option's value: the command.
QString FirstWord(const QStringList &arguments, const QList<QCommandLineOption> &options)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == u"--"_s)
            return arguments.value(i + 1);
        if (argument.size() < 2 || !argument.startsWith(u'-') || IsNegativeNumber(argument))
            return argument;
        if (argument.contains(u'='))
            continue;
        const QString name = argument.mid(argument.startsWith(u"--"_s) ? 2 : 1);
        for (const QCommandLineOption &option : options) {
            if (!option.valueName().isEmpty() && option.names().contains(name)) {
                ++i;
                break;
            }
        }
    }
    return {};
}

SCliParseResult TextResult(ECliParseOutcome outcome, const QString &text)
{
    SCliParseResult result;
    result.outcome = outcome;
    result.text = text;
    return result;
}

bool ParseGlobalOptions(const QCommandLineParser &parser, const CMaskedArguments &masked,
                        SCliGlobalOptions &options, QString &error)
{
    using namespace CliOption;
    options.adapter = masked.Restore(parser.value(ADAPTER));
    if (parser.isSet(ADAPTER) && options.adapter.isEmpty()) {
        error = u"--adapter needs a serial number"_s;
        return false;
    }
    if (parser.isSet(SPEED)) {
        const std::optional<EI2cSpeed> speed =
            CliValues::ParseSpeed(masked.Restore(parser.value(SPEED)), u"--speed"_s, error);
        if (!speed)
            return false;
        options.speed = *speed;
    }
    if (parser.isSet(PULLUPS)) {
        options.pullUps =
            CliValues::ParseOnOff(masked.Restore(parser.value(PULLUPS)), u"--pullups"_s, error);
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

// The command line, with the command's name in a usage error once it is known.
SCliParseResult ParseCommandLine(const QStringList &arguments, const QString &epilog)
{
    const QString program =
        arguments.isEmpty() ? DEFAULT_PROGRAM : QFileInfo(arguments.first()).fileName();
    const QString programUsage = UsageLine(program, nullptr);
    const QList<QCommandLineOption> allOptions =
        CliSpec::GlobalOptions() + HelpAndVersion() + CliSpec::AllCommandOptions();

    // The i2c-tools commands run only as the first argument, with their own options: a
    // global option before one would otherwise end in a puzzling "Unknown option '-y'".
    const QString firstWord = FirstWord(arguments, allOptions);
    if (I2cTools::IsTool(firstWord.toStdString())) {
        SCliParseResult refused = UsageError(
            u"%1 takes the options of i2c-tools only, and no option may come before it: write "
            u"'%2 %1 ...' and choose the adapter by its I2CBUS argument (its place in 'list' or "
            u"its serial number)"_s.arg(firstWord, program),
            u"Usage: %1 %2 [options of i2c-tools] [arguments]"_s.arg(program, firstWord));
        refused.command = firstWord;
        return refused;
    }

    const CMaskedArguments masked(arguments);
    // First pass with every option of every command, only to find the command: an option
    // that takes a value must not be mistaken for it.
    QCommandLineParser first;
    AddOptions(first, allOptions);
    if (!first.parse(masked.Masked()))
        return UsageError(ParserError(first, arguments), programUsage);
    const QStringList positional = masked.Restore(first.positionalArguments());
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
    const QString usage = UsageLine(program, spec);
    const auto refuse = [&](const QString &message) {
        SCliParseResult refused = UsageError(message, usage);
        refused.command = spec->name;
        return refused;
    };
    if (first.isSet(VERSION) && HasShortVersion(arguments))
        return refuse(
            u"%1: -v is no option of a command (there is no verbose mode; the "
            u"version is --version, and 'i2ctransfer -v' prints its messages)"_s.arg(spec->name));
    if (first.isSet(VERSION))
        return TextResult(ECliParseOutcome::Version, VersionText(program));

    QCommandLineParser parser;
    AddOptions(parser, CliSpec::GlobalOptions() + HelpAndVersion() + spec->options);
    if (!parser.parse(masked.Masked()))
        return refuse(u"%1: %2"_s.arg(spec->name, ParserError(parser, arguments)));

    SCliParseResult result;
    result.outcome = ECliParseOutcome::Run;
    SCliInvocation &invocation = result.invocation;
    invocation.spec = spec;
    invocation.arguments = masked.Restore(parser.positionalArguments().mid(1));
    const auto count = invocation.arguments.size();
    if (count < spec->minArguments) {
        const QString missing = spec->positionals.value(int(count)).name;
        return refuse(u"%1: %2 missing"_s.arg(spec->name, missing));
    }
    if (spec->maxArguments >= 0 && count > spec->maxArguments) {
        return refuse(u"%1: unexpected argument '%2'"_s.arg(
            spec->name, invocation.arguments.at(spec->maxArguments)));
    }
    QString error;
    if (!ParseGlobalOptions(parser, masked, invocation.global, error))
        return refuse(error);
    for (const QCommandLineOption &option : spec->options) {
        const QString name = option.names().constLast();
        if (!parser.isSet(name))
            continue;
        if (option.valueName().isEmpty())
            invocation.flags.insert(name);
        else
            invocation.values.insert(name, masked.Restore(parser.value(name)));
    }
    return result;
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
    SCliParseResult result = ParseCommandLine(arguments, epilog);
    if (result.outcome == ECliParseOutcome::UsageError)
        result.json = AsksForJson(arguments);
    return result;
}

} // namespace CliCommandLine
