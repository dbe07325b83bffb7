// SPDX-License-Identifier: MIT
#include "CliSpec.h"

#include "CliCommandTable.h"

using namespace Qt::StringLiterals;

namespace CliSpec {

namespace {

QList<SCliCommandSpec> MakeCommands()
{
    QList<SCliCommandSpec> commands;
    for (const SCliCommandEntry &entry : CliCommandTable::Entries())
        commands.append(entry.spec);
    return commands;
}

} // namespace

const QList<SCliCommandSpec> &Commands()
{
    static const QList<SCliCommandSpec> commands = MakeCommands();
    return commands;
}

const SCliCommandSpec *Find(const QString &name)
{
    for (const SCliCommandSpec &spec : Commands()) {
        if (spec.name == name)
            return &spec;
    }
    return nullptr;
}

QList<QCommandLineOption> GlobalOptions()
{
    using namespace CliOption;
    return {
        {{u"a"_s, ADAPTER},
         u"The adapter to use: its serial number, its place in 'list' (0 first) or its model "
         u"letter (default: $VTL_ADAPTER, else the only one attached)."_s,
         u"ADAPTER"_s},
        {{u"s"_s, SPEED},
         u"Bus speed in kbit/s: 10, 50, 100, 400 or 1000 (default 100)."_s,
         u"KBITS"_s},
        {PULLUPS, u"Internal pull-up resistors (model B only)."_s, u"on|off"_s},
        {EIGHT_BIT, u"Type and show addresses in 8-bit notation (the address shifted left)."_s},
        {{u"j"_s, JSON}, u"Print each result as one JSON object on a line."_s},
        {{u"q"_s, QUIET}, u"Print no results and no progress; the exit status tells."_s},
        {PROGRESS, u"Show the progress of long transfers also when stderr is no terminal."_s},
        {ALL_ADDRESSES,
         u"Allow the reserved addresses 0x00-0x07 and 0x78-0x7F (general call and others)."_s},
    };
}

QList<QCommandLineOption> AllCommandOptions()
{
    QList<QCommandLineOption> options;
    QStringList names;
    for (const SCliCommandSpec &spec : Commands()) {
        for (const QCommandLineOption &option : spec.options) {
            const QString name = option.names().constLast();
            if (names.contains(name))
                continue;
            names.append(name);
            options.append(option);
        }
    }
    return options;
}

QCommandLineOption AddressOption()
{
    return {CliOption::ADDRESS, u"Slave address instead of the file's, hex."_s, u"ADDR"_s};
}

QCommandLineOption DryRunOption()
{
    return {CliOption::DRY_RUN, u"Print the transfers in the syntax of 'transfer' instead of "
                                u"making them; no adapter is used."_s};
}

} // namespace CliSpec
