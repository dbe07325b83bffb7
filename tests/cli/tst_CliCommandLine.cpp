// SPDX-License-Identifier: MIT
// The command line as a whole, without a process: which outcome each line has, the options
// as parsed, and the plan that the arguments turn into, or the message that names the
// argument at fault.
#include "CliCommandLine.h"
#include "CliPlan.h"
#include "CliValues.h"
#include "VtlTestMain.h"

#include <QTemporaryDir>

using namespace Qt::StringLiterals;

namespace {

QStringList Line(const QString &arguments)
{
    return QStringList{u"vtl-i2c-cli"_s} + arguments.split(u' ', Qt::SkipEmptyParts);
}

// One line per request, as the bus will see it.
QString Describe(const std::vector<STransactionRequest> &requests)
{
    QStringList lines;
    for (const STransactionRequest &request : requests) {
        switch (request.kind) {
        case ETransactionKind::Search:
            lines.append(u"search %1-%2"_s.arg(request.firstAddress, 2, 16, QChar(u'0'))
                             .arg(request.lastAddress, 2, 16, QChar(u'0')));
            continue;
        case ETransactionKind::Read:
            lines.append(
                u"read %1 %2"_s.arg(request.address, 2, 16, QChar(u'0')).arg(request.count));
            continue;
        case ETransactionKind::WriteRead:
        case ETransactionKind::Write:
            break;
        }
        QString line = request.kind == ETransactionKind::Write ? u"write"_s : u"writeread"_s;
        if (request.kind == ETransactionKind::Write)
            line += request.start ? (request.stop ? u" SP"_s : u" S-"_s)
                                  : (request.stop ? u" -P"_s : u" --"_s);
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

private Q_SLOTS:
    void outcome_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QString>("text");
        const int run = int(ECliParseOutcome::Run);
        const int help = int(ECliParseOutcome::Help);
        const int usage = int(ECliParseOutcome::UsageError);
        QTest::newRow("help") << u"--help"_s << help << u"Commands:"_s;
        QTest::newRow("help of a command")
            << u"dump --help"_s << help << u"--reg-width <1|2|3|4>"_s;
        QTest::newRow("version") << u"-v"_s << int(ECliParseOutcome::Version)
                                 << u"vtl-i2c-cli 1.0.0"_s;
        QTest::newRow("nothing") << QString() << usage << u"no command given"_s;
        QTest::newRow("unknown command")
            << u"erase 0x50"_s << usage << u"unknown command 'erase'"_s;
        QTest::newRow("unknown option")
            << u"--colour detect"_s << usage << u"Unknown option 'colour'."_s;
        QTest::newRow("option without its value")
            << u"detect --speed"_s << usage << u"Missing value after '--speed'."_s;
        QTest::newRow("option of another command")
            << u"get --size 4 0x50 00"_s << usage << u"get: Unknown option 'size'."_s;
        QTest::newRow("global option after the command")
            << u"read 0x50 1 --adapter X"_s << run << QString();
        QTest::newRow("empty serial")
            << u"--adapter= detect"_s << usage << u"--adapter needs a serial number"_s;
        QTest::newRow("too few") << u"set 0x50 00"_s << usage << u"set: BYTE missing"_s;
        QTest::newRow("too many") << u"dump 0x50 0x51"_s << usage
                                  << u"dump: unexpected argument '0x51'"_s;
        QTest::newRow("bad speed") << u"-s 400k detect"_s << usage
                                   << u"--speed '400k' is not one of 10, 50, 100, 400, 1000"_s;
        QTest::newRow("bad pull-up word")
            << u"--pullups On detect"_s << usage << u"--pullups 'On' is neither on nor off"_s;
    }

    void outcome()
    {
        QFETCH(QString, arguments);
        QFETCH(int, outcome);
        QFETCH(QString, text);
        const SCliParseResult result = CliCommandLine::Parse(Line(arguments));
        QCOMPARE(int(result.outcome), outcome);
        QVERIFY2(result.text.contains(text), qPrintable(result.text));
        if (outcome == int(ECliParseOutcome::UsageError))
            QVERIFY(result.usage.startsWith(u"Usage: vtl-i2c-cli [options] "_s));
    }

    void globalOptions()
    {
        const SCliParseResult result = CliCommandLine::Parse(Line(
            u"-a SIM-B-0002 --speed 400 --pullups off --8bit -j -q --progress detect --all"_s));
        QCOMPARE(int(result.outcome), int(ECliParseOutcome::Run));
        const SCliGlobalOptions &global = result.invocation.global;
        QCOMPARE(global.adapter, u"SIM-B-0002"_s);
        QCOMPARE(global.speed, EI2cSpeed::Speed400k);
        QCOMPARE(global.pullUps, std::optional<bool>(false));
        QVERIFY(global.eightBit && global.json && global.quiet && global.progress);
        QCOMPARE(result.invocation.spec->command, ECliCommand::Detect);
        QVERIFY(result.invocation.flags.contains(u"all"_s));

        const SCliGlobalOptions defaults = CliCommandLine::Parse(Line(u"list"_s)).invocation.global;
        QCOMPARE(defaults.speed, EI2cSpeed::Speed100k);
        QVERIFY(!defaults.pullUps && !defaults.eightBit && defaults.adapter.isEmpty());
    }

    void speeds_data()
    {
        QTest::addColumn<QString>("kbits");
        QTest::addColumn<int>("code"); // the adapter's own codes, not in the clocks' order
        QTest::newRow("10") << u"10"_s << 3;
        QTest::newRow("50") << u"50"_s << 2;
        QTest::newRow("100") << u"100"_s << 0;
        QTest::newRow("400") << u"400"_s << 1;
        QTest::newRow("1000") << u"1000"_s << 4;
    }

    void speeds()
    {
        QFETCH(QString, kbits);
        QFETCH(int, code);
        const SCliParseResult result = CliCommandLine::Parse(Line(u"-s "_s + kbits + u" list"_s));
        QCOMPARE(int(result.invocation.global.speed), code);
        QCOMPARE(QString::number(CliValues::SpeedKbits(result.invocation.global.speed)), kbits);
    }

    void plans_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("requests");
        QTest::newRow("detect") << u"detect"_s << u"search 08-77"_s;
        QTest::newRow("detect all") << u"detect --all"_s << u"search 00-7f"_s;
        QTest::newRow("read") << u"read 0x50 300"_s << u"read 50 300"_s;
        QTest::newRow("read, 8-bit") << u"--8bit read 0xA1 2"_s << u"read 50 2"_s;
        QTest::newRow("read, bare address with blanks") << u"read  7f  1"_s << u"read 7f 1"_s;
        QTest::newRow("write") << u"write 0x50 01 A5FF"_s << u"write SP a0 01 a5 ff"_s;
        QTest::newRow("address-only write") << u"write 0x50"_s << u"write SP a0"_s;
        QTest::newRow("write without stop") << u"write --no-stop 0x50 00"_s << u"write S- a0 00"_s;
        QTest::newRow("write without start, no address byte")
            << u"write --no-start 0x50 01 02"_s << u"write -P 01 02"_s;
        QTest::newRow("write with neither")
            << u"write --no-start --no-stop 0x50 01"_s << u"write -- 01"_s;
        QTest::newRow("get") << u"get 0x48 00 2"_s << u"writeread 90 00 read 2"_s;
        QTest::newRow("get, width 2")
            << u"get --reg-width 2 0x51 0x10"_s << u"writeread a2 00 10 read 1"_s;
        QTest::newRow("set") << u"set 0x50 10 41 42"_s << u"write SP a0 10 41 42"_s;
        QTest::newRow("set, width 3")
            << u"set --reg-width 3 0x50 1 ff"_s << u"write SP a0 00 00 01 ff"_s;
        QTest::newRow("transfer") << u"transfer w1@0x50 00 r2"_s << u"write S- a0 00 | read 50 2"_s;
    }

    void plans()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, requests);
        const SCliParseResult parsed = CliCommandLine::Parse(Line(arguments));
        QCOMPARE(int(parsed.outcome), int(ECliParseOutcome::Run));
        QString error;
        const auto plan = CliPlan::Build(parsed.invocation, error);
        QVERIFY2(plan, qPrintable(error));
        QCOMPARE(Describe(plan->requests), requests);
    }

    void largestRead()
    {
        QString error;
        const auto plan = CliPlan::Build(
            CliCommandLine::Parse(Line(u"transfer w1@0x50 00 r300"_s)).invocation, error);
        QVERIFY(plan);
        QCOMPARE(plan->largestRead, std::size_t(300));
        QCOMPARE(plan->largestReadName, u"message 2 (r300)"_s);
    }

    void ranges_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("width");
        QTest::newRow("dump default") << u"dump 0x50"_s << 0 << 256 << 1;
        QTest::newRow("dump range") << u"dump 0x50 --from 10 --to 0x1f"_s << 0x10 << 16 << 1;
        QTest::newRow("dump one byte") << u"dump 0x50 --from 7 --to 7"_s << 7 << 1 << 1;
        QTest::newRow("dump two-byte") << u"dump 0x51 --reg-width 2 --to 7fff"_s << 0 << 32768 << 2;
        QTest::newRow("eeprom 256") << u"eeprom read 0x50 %1 --size 256"_s << 0 << 256 << 1;
        QTest::newRow("eeprom 32 KiB, width from size")
            << u"eeprom read 0x51 %1 --size 0x8000"_s << 0 << 32768 << 2;
        QTest::newRow("eeprom small, width given")
            << u"eeprom read 0x51 %1 --size 128 --addr-width 2"_s << 0 << 128 << 2;
    }

    void ranges()
    {
        QFETCH(QString, arguments);
        QFETCH(int, from);
        QFETCH(int, length);
        QFETCH(int, width);
        QVERIFY(m_dir.isValid());
        const QString line =
            arguments.contains(u"%1"_s) ? arguments.arg(m_dir.filePath(u"out.bin"_s)) : arguments;
        QString error;
        const auto plan = CliPlan::Build(CliCommandLine::Parse(Line(line)).invocation, error);
        QVERIFY2(plan, qPrintable(error));
        QCOMPARE(int(plan->from), from);
        QCOMPARE(int(plan->length), length);
        QCOMPARE(plan->offsetWidth, width);
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("error");
        QTest::newRow("address") << u"read 0x80 1"_s << u"ADDR '0x80'"_s;
        QTest::newRow("8-bit address") << u"--8bit read 100 1"_s
                                       << u"ADDR '100' is not an 8-bit address (hex, 0x00 to "
                                          u"0xFF, e.g. 0xA0)"_s;
        QTest::newRow("count") << u"get 0x50 00 0"_s
                               << u"COUNT '0' is not a number from 1 to 65535"_s;
        QTest::newRow("count beyond") << u"read 0x50 65536"_s << u"COUNT '65536'"_s;
        QTest::newRow("count in hex") << u"read 0x50 0x10"_s << u"COUNT '0x10'"_s;
        QTest::newRow("count with sign") << u"read 0x50 +4"_s << u"COUNT '+4'"_s;
        QTest::newRow("five register bytes") << u"get 0x50 0102030405"_s << u"REG '0102030405'"_s;
        QTest::newRow("register too wide") << u"get --reg-width 2 0x50 10000"_s
                                           << u"REG '10000' is not a hex number from 0x0 to 0xFFFF "
                                              u"(for --reg-width 2)"_s;
        QTest::newRow("byte") << u"set 0x50 00 1x"_s << u"BYTE '1x'"_s;
        QTest::newRow("register") << u"set 0x50 012 00"_s << u"REG '012'"_s;
        QTest::newRow("register width")
            << u"get --reg-width 0 0x50 00"_s << u"--reg-width '0' is not one of 1, 2, 3, 4"_s;
        QTest::newRow("dump width 3")
            << u"dump 0x50 --reg-width 3"_s << u"--reg-width '3' is not one of 1, 2"_s;
        QTest::newRow("dump backwards")
            << u"dump 0x50 --from 20 --to 10"_s << u"--from 20 lies after --to 10"_s;
        QTest::newRow("dump past one-byte offsets")
            << u"dump 0x50 --from 1ff"_s
            << u"--from '1ff' is not a hex number from 0x0 to 0xFF "
               u"(more takes --reg-width 2)"_s;
        QTest::newRow("write without start or bytes")
            << u"write --no-start 0x50"_s << u"BYTE missing: a write without a start"_s;
        QTest::newRow("eeprom action") << u"eeprom erase 0x50 x"_s << u"ACTION 'erase'"_s;
        QTest::newRow("eeprom without size") << u"eeprom read 0x50 x"_s << u"--size missing"_s;
        QTest::newRow("eeprom write without page")
            << u"eeprom write 0x50 x --size 256"_s << u"--page missing"_s;
        QTest::newRow("eeprom of 512 with one address byte")
            << u"eeprom read 0x50 x --size 512 --addr-width 1"_s
            << u"--size 512 needs --addr-width 2"_s;
        QTest::newRow("eeprom size 0") << u"eeprom read 0x50 x --size 0"_s << u"--size '0'"_s;
        QTest::newRow("eeprom size beyond 64 KiB")
            << u"eeprom read 0x50 x --size 65537"_s << u"--size '65537'"_s;
        QTest::newRow("eeprom page beyond size")
            << u"eeprom read 0x50 x --size 256 --page 512"_s << u"--page '512'"_s;
        QTest::newRow("eeprom address width")
            << u"eeprom read 0x50 x --size 256 --addr-width 3"_s << u"--addr-width '3'"_s;
        QTest::newRow("eeprom target is a folder")
            << u"eeprom read 0x50 / --size 256"_s << u"FILE '/' is a folder"_s;
    }

    void refusals()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, error);
        const SCliParseResult parsed = CliCommandLine::Parse(Line(arguments));
        QCOMPARE(int(parsed.outcome), int(ECliParseOutcome::Run));
        QString message;
        QVERIFY(!CliPlan::Build(parsed.invocation, message));
        QVERIFY2(message.contains(error), qPrintable(message));
    }

    void eepromImage()
    {
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(u"image.bin"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(257, 'x'));
        file.close();
        QString error;
        const auto parse = [&](const QString &size) {
            return CliPlan::Build(
                CliCommandLine::Parse(
                    Line(u"eeprom write 0x51 %1 --page 64 --size %2"_s.arg(path, size)))
                    .invocation,
                error);
        };
        QVERIFY(!parse(u"256"_s));
        QCOMPARE(error, u"FILE '%1' holds 257 bytes, more than --size 256"_s.arg(path));
        const auto plan = parse(u"512"_s);
        QVERIFY2(plan, qPrintable(error));
        QCOMPARE(plan->image, std::vector<unsigned char>(257, 'x'));
        QCOMPARE(plan->pageSize, std::size_t(64));
        QCOMPARE(plan->commandName, u"eeprom write"_s);
    }

    void deviceFile_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("requests");
        QTest::newRow("read") << u"Read Measurement"_s << u"read 23 2"_s;
        QTest::newRow("write, label loosely") << u" power on"_s << u"write SP 46 01"_s;
        QTest::newRow("write with start only") << u"Start"_s << u"write S- 46 10"_s;
        QTest::newRow("write with stop only") << u"Stop"_s << u"write -P 11"_s;
        QTest::newRow("write with neither") << u"None"_s << u"write -- 13"_s;
        QTest::newRow("write/read") << u"Register 2"_s << u"writeread 46 02 read 3"_s;
    }

    void deviceFile()
    {
        QFETCH(QString, label);
        QFETCH(QString, requests);
        QVERIFY(m_dir.isValid());
        const QString path = m_dir.filePath(u"sensor.i2cdev"_s);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"({ "version": 2, "address": "0x23", "commands": [
            { "label": "Power On", "type": "write", "mode": "auto", "data": "01" },
            { "label": "Start", "type": "write", "mode": "start", "data": "10" },
            { "label": "Stop", "type": "write", "mode": "stop", "data": "11" },
            { "label": "None", "type": "write", "mode": "none", "data": "13" },
            { "label": "Empty", "type": "write", "mode": "stop", "data": "" },
            { "label": "Register 2", "type": "writeread", "data": "02", "count": 3 },
            { "label": "Read Measurement", "type": "read", "count": 2 } ] })");
        file.close();
        QStringList line{u"vtl-i2c-cli"_s, u"run"_s, path, label};
        QString error;
        const auto plan = CliPlan::Build(CliCommandLine::Parse(line).invocation, error);
        QVERIFY2(plan, qPrintable(error));
        QCOMPARE(plan->address, std::uint8_t(0x23));
        QCOMPARE(Describe(plan->requests), requests);

        line.last() = u"Empty"_s;
        QVERIFY(!CliPlan::Build(CliCommandLine::Parse(line).invocation, error));
        QCOMPARE(error, u"LABEL 'Empty' writes no bytes and no start, so it sends nothing"_s);
        line.last() = u"Reset"_s;
        QVERIFY(!CliPlan::Build(CliCommandLine::Parse(line).invocation, error));
        QVERIFY(error.startsWith(
            u"LABEL 'Reset' is no command of '%1'; it has 'Power On', "_s.arg(path)));
    }
};

VTL_TEST_MAIN(TestCliCommandLine)
#include "tst_CliCommandLine.moc"
