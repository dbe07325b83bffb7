// SPDX-License-Identifier: MIT
// The command line without a process: the help, what each command line puts on the bus
// (the transfer syntax included), and the refusals, each naming the argument at fault.
#include "CliCommandLine.h"
#include "CliCommandTable.h"
#include "CliPlan.h"
#include "CliValues.h"
#include "VtlTestMain.h"

#include <QRegularExpression>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

// One line per request, as the bus will see it; for dump and eeprom the range and the
// width of the offset.
QString Describe(const SCliPlan &plan)
{
    QStringList lines;
    if (plan.length != 0)
        lines.append(u"range %1+%2/%3"_s.arg(plan.from).arg(plan.length).arg(plan.offsetWidth));
    for (const STransactionRequest &request : plan.requests) {
        if (request.kind == ETransactionKind::Read) {
            lines.append(
                u"read %1 %2"_s.arg(request.address, 2, 16, QChar(u'0')).arg(request.count));
            continue;
        }
        QString line = request.kind == ETransactionKind::WriteRead ? u"writeread"_s
                       : request.start ? (request.stop ? u"write SP"_s : u"write S-"_s)
                                       : (request.stop ? u"write -P"_s : u"write --"_s);
        for (const unsigned char byte : request.WireBytes())
            line += u' ' + QString::number(byte, 16).rightJustified(2, u'0');
        if (request.kind == ETransactionKind::WriteRead)
            line += u" read %1"_s.arg(request.count);
        lines.append(line);
    }
    return lines.join(u" | "_s);
}

} // namespace

class TestCliCommandLine : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // "%D" stands for the test's folder, '_' for a blank inside an argument.
    SCliParseResult Parse(const QString &arguments) const
    {
        QStringList line{u"vtl-i2c-cli"_s};
        for (const QString &word : arguments.split(u' ', Qt::SkipEmptyParts))
            line.append(QString(word).replace(u'_', u' ').replace(u"%D"_s, m_dir.path()));
        return CliCommandLine::Parse(line, u"EPILOG"_s);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QFile image(m_dir.filePath(u"257.bin"_s));
        QVERIFY(image.open(QIODevice::WriteOnly) && image.write(QByteArray(257, 'x')) == 257);
        QFile device(m_dir.filePath(u"sensor.i2cdev"_s));
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.write(R"({ "version": 2, "address": "0x23", "commands": [
            { "label": "Power On", "type": "write", "mode": "auto", "data": "01" },
            { "label": "Start", "type": "write", "mode": "start", "data": "10" },
            { "label": "Stop", "type": "write", "mode": "stop", "data": "11" },
            { "label": "None", "type": "write", "mode": "none", "data": "13" },
            { "label": "Empty", "type": "write", "mode": "stop", "data": "" },
            { "label": "Register 2", "type": "writeread", "data": "02", "count": 3 },
            { "label": "Dup", "type": "write", "mode": "auto", "data": "21" },
            { "label": "dup", "type": "write", "mode": "auto", "data": "22" },
            { "label": "Steps", "type": "sequence", "steps": ["w1 01"] } ] })");
        QFile script(m_dir.filePath(u"steps.i2cseq"_s));
        QVERIFY(script.open(QIODevice::WriteOnly) && script.write("w1@0x50 00\n") == 11);
    }

    // Every command of the table has its line in the program's help, its own help, and
    // each of its options offered by the bash completion after the command.
    void tableCommandsAreDocumented()
    {
        QFile completion(QStringLiteral(VTL_CLI_COMPLETION));
        QVERIFY(completion.open(QIODevice::ReadOnly));
        const QString script = QString::fromUtf8(completion.readAll());
        const QString help = Parse(u"--help"_s).text;
        for (const SCliCommandEntry &entry : CliCommandTable::Entries()) {
            const QString name = entry.spec.name;
            QVERIFY2(!entry.spec.summary.isEmpty() && !entry.spec.description.isEmpty(),
                     qPrintable(name));
            QVERIFY2(help.contains(QRegularExpression(u"\n  %1 +%2\n"_s.arg(
                         name, QRegularExpression::escape(entry.spec.summary)))),
                     qPrintable(name));
            const SCliParseResult own = Parse(name + u" --help"_s);
            QCOMPARE(own.outcome, ECliParseOutcome::Help);
            QVERIFY2(own.text.contains(entry.spec.description), qPrintable(name));
            QVERIFY2(QRegularExpression(u"\\bcommands\\+?=\\x22[^\\x22]*\\b%1\\b"_s.arg(name))
                         .match(script)
                         .hasMatch(),
                     qPrintable(name));
            for (const QCommandLineOption &option : entry.spec.options) {
                const QString word = u"--"_s + option.names().constLast();
                const QRegularExpression line(
                    u"\\n *([a-z| ]*\\b)?%1\\b[a-z| ]*\\) options=\\x22[^\\x22]*%2\\b"_s.arg(
                        name, QRegularExpression::escape(word)));
                QVERIFY2(line.match(script).hasMatch(), qPrintable(name + u' ' + word));
            }
        }
    }

    // A dry run, like list, parts, check and eeprom parts, runs without opening an adapter.
    void adapterNeed_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<bool>("needed");
        QTest::newRow("list") << u"list"_s << false;
        QTest::newRow("parts") << u"parts ina"_s << false;
        QTest::newRow("check") << u"check %D/sensor.i2cdev"_s << false;
        QTest::newRow("eeprom parts") << u"eeprom parts"_s << false;
        QTest::newRow("eeprom read") << u"eeprom read 0x50 %D/out.bin --size 256"_s << true;
        QTest::newRow("script") << u"script %D/steps.i2cseq"_s << true;
        QTest::newRow("script, dry run") << u"script --dry-run %D/steps.i2cseq"_s << false;
        QTest::newRow("run of a sequence") << u"run %D/sensor.i2cdev Steps"_s << true;
        QTest::newRow("run of a sequence, dry run")
            << u"run --dry-run %D/sensor.i2cdev Steps"_s << false;
        QTest::newRow("read") << u"read 0x50 1"_s << true;
    }

    void adapterNeed()
    {
        QFETCH(QString, arguments);
        QFETCH(bool, needed);
        const SCliParseResult parsed = Parse(arguments);
        QVERIFY2(parsed.outcome == ECliParseOutcome::Run, qPrintable(parsed.text));
        QString error;
        const auto plan = CliPlan::Build(parsed.invocation, error);
        QVERIFY2(plan && plan->command, qPrintable(error));
        QCOMPARE(plan->command->NeedsAdapter(), needed);
    }

    void help_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<ECliParseOutcome>("outcome");
        QTest::addColumn<QString>("text");
        const ECliParseOutcome help = ECliParseOutcome::Help;
        QTest::newRow("program") << u"--help"_s << help << u"Commands:"_s;
        QTest::newRow("program, the epilog") << u"--help"_s << help << u"\nEPILOG"_s;
        QTest::newRow("command") << u"get --help"_s << help << u"--reg-width <1|2|3|4>"_s;
        QTest::newRow("dump's offset width") << u"dump --help"_s << help << u"--reg-width <1|2>"_s;
        QTest::newRow("help first") << u"-h eeprom"_s << help << u"eeprom read|write|verify"_s;
        QTest::newRow("version") << u"-v"_s << ECliParseOutcome::Version << u"vtl-i2c-cli 1.0.0"_s;
        QTest::newRow("version with a command")
            << u"--version transfer"_s << ECliParseOutcome::Version << u"vtl-i2c-cli 1.0.0"_s;
    }

    void help()
    {
        QFETCH(QString, arguments);
        QFETCH(ECliParseOutcome, outcome);
        QFETCH(QString, text);
        const SCliParseResult result = Parse(arguments);
        QCOMPARE(result.outcome, outcome);
        QVERIFY2(result.text.contains(text), qPrintable(result.text));
    }

    void globalOptions()
    {
        const SCliParseResult result = Parse(
            u"-a SIM-B-0002 --speed 400 --pullups off --8bit -j -q --progress detect --all"_s);
        QCOMPARE(int(result.outcome), int(ECliParseOutcome::Run));
        const SCliGlobalOptions &global = result.invocation.global;
        QCOMPARE(global.adapter, u"SIM-B-0002"_s);
        QCOMPARE(global.speed, EI2cSpeed::Speed400k);
        QCOMPARE(global.pullUps, std::optional<bool>(false));
        QVERIFY(global.eightBit && global.json && global.quiet && global.progress);
        QCOMPARE(result.invocation.spec->name, u"detect"_s);
        QVERIFY(result.invocation.flags.contains(u"all"_s));
        QCOMPARE(Parse(u"read 0x50 1 --adapter X"_s).invocation.global.adapter, u"X"_s);
        for (const auto &[kbits, speed] : {std::pair{10, EI2cSpeed::Speed10k},
                                           {50, EI2cSpeed::Speed50k},
                                           {100, EI2cSpeed::Speed100k},
                                           {1000, EI2cSpeed::Speed1000k}}) {
            QCOMPARE(Parse(u"-s %1 list"_s.arg(kbits)).invocation.global.speed, speed);
            QCOMPARE(CliValues::SpeedKbits(speed), kbits);
        }
    }

    // A negative number is a value wherever it stands, never an option.
    void negativeNumbers_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("positionals"); // joined by '|'
        QTest::addColumn<QString>("value");       // of --from; empty: not given
        QTest::newRow("before an option")
            << u"reg f T.X -5 --dry-run"_s << u"f|T.X|-5"_s << QString();
        QTest::newRow("with a fraction, after a global option")
            << u"reg -q f T.X -.5"_s << u"f|T.X|-.5"_s << QString();
        QTest::newRow("option's value") << u"dump 0x50 --from -1"_s << u"0x50"_s << u"-1"_s;
    }

    void negativeNumbers()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, positionals);
        QFETCH(QString, value);
        const SCliParseResult parsed = Parse(arguments);
        QVERIFY2(parsed.outcome == ECliParseOutcome::Run, qPrintable(parsed.text));
        QCOMPARE(parsed.invocation.arguments.join(u'|'), positionals);
        QCOMPARE(parsed.invocation.values.value(u"from"_s), value);
        QCOMPARE(parsed.invocation.flags.contains(u"dry-run"_s),
                 arguments.contains(u"--dry-run"_s));
    }

    void plans_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("requests");
        const auto row = [](const char *name, const QString &arguments, const QString &requests) {
            QTest::newRow(name) << arguments << requests;
        };
        row("read, 8-bit", u"--8bit read 0xA1 2"_s, u"read 50 2"_s);
        row("read, highest address", u"--all-addresses read 7f 1"_s, u"read 7f 1"_s);
        row("write", u"write 0x50 01 A5FF"_s, u"write SP a0 01 a5 ff"_s);
        row("address-only write", u"write 0x50"_s, u"write SP a0"_s);
        row("get, count 1", u"get 0x50 0D"_s, u"writeread a0 0d read 1"_s);
        row("get, width 2", u"get --reg-width 2 0x51 0x10 2"_s, u"writeread a2 00 10 read 2"_s);
        row("set, width 3", u"set --reg-width 3 0x50 1 ff 41"_s, u"write SP a0 00 00 01 ff 41"_s);
        row("transfer, address carried on", u"transfer w2@0x50 00 10 r8"_s,
            u"write S- a0 00 10 | read 50 8"_s);
        row("transfer, read alone", u"transfer r3@23"_s, u"read 23 3"_s);
        row("transfer, stop on the last only", u"transfer w1@0x50 01 w1@0x51 02"_s,
            u"write S- a0 01 | write SP a2 02"_s);
        row("transfer, address only", u"transfer w0@0x48"_s, u"write SP 90"_s);
        row("transfer, bytes in one argument", u"transfer w3@0x50 00A5 ff"_s,
            u"write SP a0 00 a5 ff"_s);
        row("transfer, repeat", u"transfer w4@0x50 00 ff="_s, u"write SP a0 00 ff ff ff"_s);
        row("transfer, count up, wrapping", u"transfer w4@0x50 fe+"_s,
            u"write SP a0 fe ff 00 01"_s);
        row("transfer, count down", u"transfer w3@0x50 02-"_s, u"write SP a0 02 01 00"_s);
        row("transfer, upper-case letters", u"transfer W1@0x50 00 R1"_s,
            u"write S- a0 00 | read 50 1"_s);
        row("run, label loosely", u"run %D/sensor.i2cdev _power_on_"_s, u"write SP 46 01"_s);
        row("run, start only", u"run %D/sensor.i2cdev Start"_s, u"write S- 46 10"_s);
        row("run, stop only", u"run %D/sensor.i2cdev Stop"_s, u"write -P 11"_s);
        row("run, neither", u"run %D/sensor.i2cdev None"_s, u"write -- 13"_s);
        row("run, exact among labels alike", u"run %D/sensor.i2cdev dup"_s, u"write SP 46 22"_s);
        row("run, write/read", u"run %D/sensor.i2cdev Register_2"_s, u"writeread 46 02 read 3"_s);
        row("dump, all", u"dump 0x50"_s, u"range 0+256/1"_s);
        row("dump, one byte", u"dump 0x50 --from 7 --to 7"_s, u"range 7+1/1"_s);
        row("eeprom, width given", u"eeprom read 0x51 %D/out.bin --size 128 --addr-width 2"_s,
            u"range 0+128/2"_s);
        row("eeprom, part and region",
            u"eeprom read 0x50 %D/out.bin --part 24LC16 --offset f0 --length 32"_s,
            u"range 240+32/1"_s);
    }

    void plans()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, requests);
        const SCliParseResult parsed = Parse(arguments);
        QVERIFY2(parsed.outcome == ECliParseOutcome::Run, qPrintable(parsed.text));
        QString error;
        const auto plan = CliPlan::Build(parsed.invocation, error);
        QVERIFY2(plan, qPrintable(error));
        QCOMPARE(Describe(*plan), requests);
    }

    // Refused while parsing or while planning; both end in the same usage error.
    void refusals_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("error");
        const auto row = [](const char *name, const QString &arguments, const QString &error) {
            QTest::newRow(name) << arguments << error;
        };
        row("nothing", QString(), u"no command given"_s);
        row("unknown command", u"erase 0x50"_s, u"unknown command 'erase'"_s);
        row("unknown option", u"--colour detect"_s, u"Unknown option '--colour'."_s);
        row("unknown letter in a cluster", u"-qx detect"_s, u"Unknown option '-x' in '-qx'."_s);
        row("option without its value", u"detect --speed"_s, u"Missing value after '--speed'."_s);
        row("option of another command", u"get --size 4 0x50 00"_s,
            u"get: Unknown option '--size'."_s);
        row("empty serial", u"--adapter= detect"_s, u"--adapter needs a serial number"_s);
        row("too few", u"set 0x50 00"_s, u"set: BYTE missing"_s);
        row("too many", u"dump 0x50 0x51"_s, u"dump: unexpected argument '0x51'"_s);
        row("speed", u"-s 400k detect"_s, u"--speed '400k' is not one of 10, 50, 100, 400, 1000"_s);
        row("pull-up word", u"--pullups On detect"_s, u"--pullups 'On' is neither on nor off"_s);
        row("address", u"read 0x80 1"_s, u"ADDR '0x80'"_s);
        row("count", u"get 0x50 00 0"_s, u"COUNT '0' is not a number from 1 to 65535"_s);
        row("count beyond", u"read 0x50 65536"_s, u"COUNT '65536'"_s);
        row("count in hex beyond", u"read 0x50 0x10000"_s, u"COUNT '0x10000'"_s);
        row("count with sign", u"read 0x50 +4"_s, u"COUNT '+4'"_s);
        row("five register bytes", u"get 0x50 0102030405"_s, u"REG '0102030405'"_s);
        row("register too wide", u"get --reg-width 2 0x50 10000"_s,
            u"REG '10000' is not a hex number from 0x0 to 0xFFFF (for --reg-width 2)"_s);
        row("byte", u"set 0x50 00 1x"_s, u"BYTE '1x'"_s);
        row("register of odd digits", u"set 0x50 012 00"_s, u"REG '012'"_s);
        row("register width", u"get --reg-width 0 0x50 00"_s,
            u"--reg-width '0' is not one of 1, 2, 3, 4"_s);
        row("dump width 3", u"dump 0x50 --reg-width 3"_s, u"--reg-width '3' is not one of 1, 2"_s);
        row("dump backwards", u"dump 0x50 --from 20 --to 10"_s, u"--from 20 lies after --to 10"_s);
        row("dump past one-byte offsets", u"dump 0x50 --from 1ff"_s,
            u"--from '1ff' is not a hex number from 0x0 to 0xFF (more takes --reg-width 2)"_s);
        // Each run opens the adapter afresh: half a transaction cannot be finished later.
        row("write without stop", u"write --no-stop 0x50 00"_s,
            u"--no-stop: a transaction cannot continue in another run"_s);
        row("write without start", u"write 0x50 01 --no-start"_s,
            u"--no-start: a transaction cannot continue in another run"_s);
        row("i2c-tools command after a global option", u"-a 0 -s 400 i2cget -y 0 0x50 0"_s,
            u"i2cget takes the options of i2c-tools only, and no option may come before it"_s);
        row("i2c-tools command after a command's option", u"--dry-run i2ctransfer"_s,
            u"i2ctransfer takes the options of i2c-tools only"_s);
        row("eeprom action", u"eeprom frob 0x50 x"_s, u"ACTION 'frob'"_s);
        row("eeprom without part or size", u"eeprom read 0x50 x"_s, u"--part or --size missing"_s);
        row("eeprom write without page", u"eeprom write 0x50 x --size 256"_s, u"--page missing"_s);
        row("eeprom of 4 KiB, one address byte", u"eeprom read 0x50 x --size 4096 --addr-width 1"_s,
            u"reach (2048 bytes)"_s);
        row("eeprom beyond 256 KiB", u"eeprom read 0x50 x --size 262145"_s, u"--size '262145'"_s);
        row("eeprom page beyond size", u"eeprom read 0x50 x --size 256 --page 512"_s,
            u"--page '512'"_s);
        row("eeprom address width", u"eeprom read 0x50 x --size 256 --addr-width 3"_s,
            u"--addr-width '3'"_s);
        row("eeprom unknown part", u"eeprom read 0x50 x --part 24c03"_s,
            u"--part '24c03' is no known part"_s);
        row("eeprom size against the part", u"eeprom read 0x50 x --part 24lc16 --size 4096"_s,
            u"--size 4096 does not match 24x16 (2048 bytes)"_s);
        row("eeprom block bits in the address", u"eeprom read 0x51 x --part at24c16"_s,
            u"ADDR '0x51' is not a base address of 24x16: it answers from 0x50 on"_s);
        row("eeprom region beyond the part",
            u"eeprom read 0x50 x --part 24c02 --offset 10 --length 250"_s,
            u"--length '250' is not"_s);
        row("eeprom erase takes no file", u"eeprom erase 0x50 x --part 24c02"_s,
            u"unexpected argument 'x'"_s);
        row("eeprom target is a folder", u"eeprom read 0x50 / --size 256"_s,
            u"FILE '/' cannot be written: is a folder"_s);
        row("eeprom file missing", u"eeprom verify 0x50 /nonexistent/x.bin --size 256"_s,
            u"FILE '/nonexistent/x.bin' cannot be read"_s);
        row("eeprom file too large", u"eeprom write 0x51 %D/257.bin --page 64 --size 256"_s,
            u"/257.bin' holds 257 bytes, more than the 256 bytes from offset 0x0"_s);
        row("device file missing", u"run /nonexistent/x.i2cdev A"_s,
            u"FILE '/nonexistent/x.i2cdev'"_s);
        row("run, nothing to send", u"run %D/sensor.i2cdev Empty"_s,
            u"LABEL 'Empty' writes no bytes and no start, so it sends nothing"_s);
        row("run, unknown label", u"run %D/sensor.i2cdev Reset"_s,
            u"LABEL 'Reset' is no command of '%1/sensor.i2cdev'; it has 'Power On', "_s.arg(
                m_dir.path()));
        row("transfer, nothing", u"transfer"_s, u"transfer: MSG missing"_s);
        row("transfer, byte first", u"transfer 00 w1@0x50"_s, u"'00' comes before any message"_s);
        row("transfer, first without address", u"transfer r4"_s, u"'r4' needs an address"_s);
        row("transfer, no message", u"transfer wx@0x50"_s, u"'wx@0x50' is not a message"_s);
        row("transfer, read of 0", u"transfer r0@0x50"_s, u"the length of 'r0@0x50' '0'"_s);
        row("transfer, read too long", u"transfer r65536@0x50"_s, u"the length of 'r65536@0x50'"_s);
        row("transfer, address", u"transfer w1@0x80 00"_s, u"the address of 'w1@0x80' '0x80'"_s);
        row("transfer, too few bytes", u"transfer w2@0x50 00 r1"_s,
            u"message 1 (w2@0x50) needs 2 bytes, 1 given"_s);
        row("transfer, too many bytes", u"transfer w1@0x50 00 01"_s,
            u"'01' is one byte too many for message 1 (w1@0x50)"_s);
        row("transfer, argument overflowing", u"transfer w1@0x50 0001"_s,
            u"'0001' holds more bytes than message 1 (w1@0x50) takes"_s);
        row("transfer, bytes after a read", u"transfer r1@0x50 00"_s,
            u"'00' follows message 1 (r1@0x50), a read"_s);
        row("transfer, byte", u"transfer w1@0x50 zz"_s, u"byte of message 1 (w1@0x50) 'zz'"_s);
        row("transfer, pattern on two bytes", u"transfer w3@0x50 0102+"_s,
            u"'0102+' is not one hex byte before its '+'"_s);
        row("transfer, read not last", u"transfer w1@0x50 00 r1 w1 00"_s,
            u"message 2 (r1) is a read before the last message: these adapters end every read "
            u"with a stop, so a read can only be the last message"_s);
        row("run, labels alike", u"run %D/sensor.i2cdev DUP"_s,
            u"LABEL 'DUP' matches 'Dup' and 'dup' of '%1/sensor.i2cdev', which differ only in "
            u"letter case"_s.arg(m_dir.path()));
        // What an i2c-tools habit would have sent misread.
        row("mode letter after the bytes", u"set 0x50 11 42 b"_s,
            u"BYTE 'b' looks like an i2c-tools mode letter, which this command does not take "
            u"(it would be the byte 0x0B); 'vtl-i2c-cli i2cset'"_s);
        row("mode with PEC after the bytes", u"write 0x50 11 42 wp"_s,
            u"BYTE 'wp' looks like an i2c-tools mode letter"_s);
        row("mode letter as the count", u"get 0x48 00 w"_s, u"COUNT 'w' looks like an i2c-tools"_s);
        row("blank byte", u"set 0x50 10 _"_s, u"BYTE ' ' holds no byte"_s);
        row("separators only", u"write 0x50 01 ,"_s, u"BYTE ',' holds no byte"_s);
        row("bus number as address", u"set 0 0x50 10 42"_s,
            u"ADDR 0x00 is a reserved address (0x00-0x07, 0x78-0x7F; 0x00 is the general call); "
            u"--all-addresses sends to it"_s);
        row("reserved address in a transfer", u"transfer w1@0x50 00 r1@0x7c"_s,
            u"ADDR 0x7C is a reserved address"_s);
        row("-v with a command", u"-v transfer w1@0x50 00"_s,
            u"transfer: -v is no option of a command"_s);
        row("-v in a cluster", u"-qv read 0x50 1"_s, u"read: -v is no option of a command"_s);
    }

    void refusals()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        const SCliParseResult parsed = Parse(arguments);
        QString message = parsed.text;
        if (parsed.outcome == ECliParseOutcome::Run) {
            QVERIFY(!CliPlan::Build(parsed.invocation, message));
        } else {
            QCOMPARE(int(parsed.outcome), int(ECliParseOutcome::UsageError));
            // An i2c-tools command shows its own usage, which takes no global options.
            QVERIFY(parsed.usage.startsWith(error.contains(u"options of i2c-tools"_s)
                                                ? u"Usage: vtl-i2c-cli i2c"_s
                                                : u"Usage: vtl-i2c-cli [options] "_s));
        }
        QVERIFY2(message.contains(error), qPrintable(message));
    }
};

VTL_TEST_MAIN(TestCliCommandLine)
#include "tst_CliCommandLine.moc"
