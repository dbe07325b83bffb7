// SPDX-License-Identifier: MIT
#include "CliSpec.h"

#include "CliRegisters.h"

using namespace Qt::StringLiterals;

namespace CliSpec {

namespace {

QList<SCliCommandSpec> MakeCommands()
{
    using namespace CliOption;
    QList<SCliCommandSpec> commands;
    commands.append({ECliCommand::List,
                     u"list"_s,
                     u"List the attached adapters."_s,
                     u"Lists the attached adapters: model, serial number, firmware and product "
                     u"name, and for an adapter that cannot be opened, why."_s,
                     {},
                     {},
                     {},
                     0,
                     0});
    commands.append({ECliCommand::Detect,
                     u"detect"_s,
                     u"Probe the bus for answering slaves."_s,
                     u"Probes the addresses 0x08 to 0x77 (0x00 to 0x7F with --all) and prints "
                     u"the grid of answering addresses. With --identify, then one line per "
                     u"answering address: its candidates ranked (confirmed, probable, likely) "
                     u"and their number ('parts' lists the library). An ID register address "
                     u"that a candidate takes as a command or stores is not sent, except at "
                     u"the addresses of --allow-unsafe."_s,
                     {},
                     {},
                     {ALL, IDENTIFY, ALLOW_UNSAFE},
                     0,
                     0});
    commands.append({ECliCommand::Read,
                     u"read"_s,
                     u"Read bytes from a slave."_s,
                     u"Reads COUNT bytes from the slave at ADDR."_s,
                     {{u"ADDR"_s, u"Slave address, hex."_s},
                      {u"COUNT"_s, u"Number of bytes, decimal (1 to the adapter's limit)."_s}},
                     u"ADDR COUNT"_s,
                     {},
                     2,
                     2});
    commands.append({ECliCommand::Write,
                     u"write"_s,
                     u"Write bytes to a slave."_s,
                     u"Writes the bytes to the slave at ADDR, with a start (and the address "
                     u"byte) and a stop. Without a start the address byte is not sent, and "
                     u"at least one byte is needed."_s,
                     {{u"ADDR"_s, u"Slave address, hex."_s},
                      {u"BYTE"_s, u"Hex bytes (01 A5 FF, 0x01,0xA5 or 01A5FF)."_s}},
                     u"ADDR [BYTE...]"_s,
                     {NO_STOP, NO_START},
                     1,
                     -1});
    commands.append(
        {ECliCommand::Get,
         u"get"_s,
         u"Read registers of a slave."_s,
         u"Writes REG, then reads COUNT bytes (default 1) after a repeated start."_s,
         {{u"ADDR"_s, u"Slave address, hex."_s},
          {u"REG"_s,
           u"Register: one to four hex byte pairs, or one hex number with --reg-width."_s},
          {u"COUNT"_s, u"Number of bytes, decimal (default 1)."_s}},
         u"ADDR REG [COUNT]"_s,
         {REG_WIDTH},
         2,
         3});
    commands.append({ECliCommand::Set,
                     u"set"_s,
                     u"Write registers of a slave."_s,
                     u"Writes REG and the bytes in one transaction."_s,
                     {{u"ADDR"_s, u"Slave address, hex."_s},
                      {u"REG"_s, u"Register: one to four hex byte pairs, or one hex number "
                                 u"with --reg-width."_s},
                      {u"BYTE"_s, u"Hex bytes."_s}},
                     u"ADDR REG BYTE..."_s,
                     {REG_WIDTH},
                     3,
                     -1});
    commands.append(
        {ECliCommand::Transfer,
         u"transfer"_s,
         u"Several messages joined by repeated starts."_s,
         u"Sends the messages joined by repeated starts, with one stop at the end. A write is "
         u"w<N>@<ADDR> followed by N bytes, a read r<N>[@<ADDR>]; a message without @ goes to "
         u"the previous address. A byte ending in = repeats, + counts up, - counts down for "
         u"the rest of its message. The adapters end every read with a stop, so a read can "
         u"only be the last message."_s,
         {{u"MSG"_s, u"Messages and their bytes, e.g. w2@0x50 00 10 r8."_s}},
         u"MSG..."_s,
         {},
         1,
         -1});
    commands.append(
        {ECliCommand::Dump,
         u"dump"_s,
         u"Show registers or memory as hex and ASCII."_s,
         u"Reads the range --from to --to (default 0x00 to 0xFF) with write/reads that start "
         u"by writing the offset (--reg-width bytes) and prints it 16 bytes to a line."_s,
         {{u"ADDR"_s, u"Slave address, hex."_s}},
         u"ADDR"_s,
         {FROM, TO, REG_WIDTH},
         1,
         1});
    commands.append(
        {ECliCommand::Eeprom,
         u"eeprom"_s,
         u"Read, write, verify or erase a 24-series EEPROM."_s,
         u"read: copies the EEPROM (or the region --offset/--length) into FILE. write: "
         u"programs FILE page by page, waiting for each write cycle by polling the address; "
         u"a HEX or S-record file programs only the bytes it holds. The file's offsets count "
         u"from --offset in every format. verify: compares FILE with the EEPROM and names the "
         u"first differing "
         u"offset (exit status 1 when they differ). erase: fills the region with FF. parts: "
         u"lists the part presets. The part is --part NAME (24c16, 24lc256, at24cm02, ...) or "
         u"--size with --page (to write) and --addr-width. FILE '-' is standard output."_s,
         {{u"ACTION"_s, u"read, write, verify, erase or parts."_s},
          {u"ADDR"_s, u"Slave address, hex: the part's base address (block bits clear)."_s},
          {u"FILE"_s, u"Image file: .bin raw, .hex/.ihex Intel HEX, .srec/.s19/.s28/.s37/.mot "
                      u"S-record (or --format)."_s}},
         u"read|write|verify ADDR FILE | erase ADDR | parts"_s,
         {PART, SIZE, PAGE, ADDR_WIDTH, FORMAT, OFFSET, LENGTH, VERIFY},
         1,
         3});
    commands.append(
        {ECliCommand::Run,
         u"run"_s,
         u"Execute a stored command of a device file."_s,
         u"Executes the command with the label LABEL of the device file FILE at the file's "
         u"address, as the window's projects panel does: a write with its start/stop mode, a "
         u"read, or a write/read (the bytes, then a read after a repeated start). A sequence "
         u"runs its steps as script does; --dry-run prints them instead."_s,
         {{u"FILE"_s, u"Device file (.i2cdev)."_s},
          {u"LABEL"_s, u"Label of the command (letter case and surrounding blanks aside)."_s}},
         u"FILE LABEL"_s,
         {DRY_RUN},
         2,
         2});
    CliRegisters::AppendCommands(commands);
    // The sequence language, shared with the device files' sequence commands.
    commands.append(
        {ECliCommand::Script,
         u"script"_s,
         u"Run a sequence of steps from a file."_s,
         u"Runs the steps of FILE (- for standard input), one a line: a transfer in the "
         u"syntax of transfer (a message without @ goes to --address), delay 10ms (also us "
         u"and s), expect <transfer> == BYTES [mask BYTES], poll <transfer> until BYTES [mask "
         u"BYTES] every T timeout T (a message that is not acknowledged counts as not yet "
         u"matched), repeat N ... end, echo TEXT, and # comments. Every line is checked "
         u"before anything is sent. Exit status 1 names the line of a failed expect, a poll "
         u"that timed out or a bus error."_s,
         {{u"FILE"_s, u"Script file (.i2cseq), or - for standard input."_s}},
         u"FILE|-"_s,
         {ADDRESS, DRY_RUN},
         1,
         1});
    commands.append(
        {ECliCommand::Parts,
         u"parts"_s,
         u"List the library of common parts."_s,
         u"Lists the library parts whose name, kind or description holds TEXT (every part "
         u"without TEXT): name, addresses and kind. With --path, prints where the device file "
         u"of the part named TEXT is, for regs, reg and run."_s,
         {{u"TEXT"_s, u"Text to look for, or with --path the part's name."_s}},
         u"[TEXT]"_s,
         {PATH},
         0,
         1});
    return commands;
}

QCommandLineOption CommandOption(const QString &name, ECliCommand command)
{
    using namespace CliOption;
    if (const std::optional<QCommandLineOption> option = CliRegisters::Option(name))
        return *option;
    if (name == REG_WIDTH && command == ECliCommand::Dump)
        return {REG_WIDTH, u"Width of the offset in bytes, big-endian."_s, u"1|2"_s};
    if (name == ALL)
        return {ALL, u"Probe every address, 0x00 to 0x7F."_s};
    if (name == IDENTIFY)
        return {IDENTIFY, u"Name the library parts behind the answering addresses (reads "
                          u"their ID registers)."_s};
    if (name == ALLOW_UNSAFE)
        return {ALLOW_UNSAFE,
                u"With --identify: read ID registers at these addresses even where a part that "
                u"can sit there takes the register address as a command or stores it."_s,
                u"ADDR[,ADDR...]"_s};
    if (name == PATH)
        return {PATH, u"Print the path of the part's device file."_s};
    if (name == NO_STOP)
        return {NO_STOP, u"End without a stop condition."_s};
    if (name == NO_START)
        return {NO_START, u"Begin without a start condition and without the address byte."_s};
    if (name == REG_WIDTH)
        return {REG_WIDTH, u"Width of the register address in bytes, big-endian."_s, u"1|2|3|4"_s};
    if (name == FROM)
        return {FROM, u"First offset, hex (default 0x00)."_s, u"X"_s};
    if (name == TO)
        return {TO, u"Last offset, hex (default 0xFF)."_s, u"Y"_s};
    if (name == SIZE)
        return {SIZE, u"EEPROM size in bytes (checked against --part)."_s, u"BYTES"_s};
    if (name == PAGE)
        return {PAGE, u"Page size in bytes, a power of two (needed to write without --part)."_s,
                u"BYTES"_s};
    if (name == ADDRESS)
        return {ADDRESS, u"Slave address for the messages that name none, hex."_s, u"ADDR"_s};
    if (name == DRY_RUN)
        return {DRY_RUN, u"Print the steps (repeats unrolled, addresses filled in); send "
                         u"nothing."_s};
    if (name == ADDR_WIDTH)
        return {ADDR_WIDTH,
                u"Number of address bytes (default 1 up to 256 bytes of size, else 2)."_s,
                u"1|2"_s};
    if (name == PART)
        return {PART, u"Part preset, for example 24c16 or 24lc1025 ('eeprom parts' lists them)."_s,
                u"NAME"_s};
    if (name == FORMAT)
        return {FORMAT, u"File format instead of the one its extension names."_s,
                u"bin|ihex|srec"_s};
    if (name == OFFSET)
        return {OFFSET, u"First offset of the region, hex (default 0)."_s, u"X"_s};
    if (name == LENGTH)
        return {LENGTH, u"Bytes in the region, decimal (default: to the end)."_s, u"BYTES"_s};
    if (name == VERIFY)
        return {VERIFY, u"write, erase: read back and compare afterwards."_s};
    return QCommandLineOption(name);
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
         u"Serial number of the adapter to use (default: the only one attached)."_s,
         u"SERIAL"_s},
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

QList<QCommandLineOption> CommandOptions(const QStringList &names, ECliCommand command)
{
    QList<QCommandLineOption> options;
    for (const QString &name : names)
        options.append(CommandOption(name, command));
    return options;
}

QStringList AllCommandOptionNames()
{
    QStringList names;
    for (const SCliCommandSpec &spec : Commands()) {
        for (const QString &name : spec.optionNames) {
            if (!names.contains(name))
                names.append(name);
        }
    }
    return names;
}

} // namespace CliSpec
