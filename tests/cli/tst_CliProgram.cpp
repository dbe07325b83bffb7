// SPDX-License-Identifier: MIT
// vtl-i2c-cli-sim run as a process, as a script runs it: what each subcommand prints on
// stdout and stderr and the exit status it ends with.
#include "CliProcess.h"
#include "VtlTestMain.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

const QString GRID_7BIT = u"     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
                          u"00:                         -- -- -- -- -- -- -- --\n"
                          u"10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"20: -- -- -- 23 -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"40: -- -- -- -- -- -- -- -- 48 -- -- -- -- -- -- --\n"
                          u"50: 50 51 -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"60: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                          u"70: -- -- -- -- -- -- -- --\n"_s;

const QString GRID_8BIT_ALL = u"     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n"
                              u"00: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"10: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"20: -- -- -- 46 -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"30: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"40: -- -- -- -- -- -- -- -- 90 -- -- -- -- -- -- --\n"
                              u"50: a0 a2 -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"60: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"
                              u"70: -- -- -- -- -- -- -- -- -- -- -- -- -- -- -- --\n"_s;

QByteArray Pattern(int size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 7 + seed) & 0xFF);
    return bytes;
}

bool WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCliProgram : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Path(const QString &name) const { return m_dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void help_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("program") << QStringList{u"--help"_s}
                                 << QStringList{u"Usage: vtl-i2c-cli-sim [options] COMMAND"_s,
                                                u"transfer"_s, u"VTL_CLI_SIM_BENCH=empty"_s,
                                                u"3 no usable adapter"_s};
        QTest::newRow("read") << QStringList{u"read"_s, u"--help"_s}
                              << QStringList{u"Usage: vtl-i2c-cli-sim [options] read ADDR COUNT"_s,
                                             u"--adapter <SERIAL>"_s};
        QTest::newRow("eeprom, help first")
            << QStringList{u"-h"_s, u"eeprom"_s}
            << QStringList{u"eeprom read|write|verify ADDR FILE"_s, u"--page <BYTES>"_s};
        QTest::newRow("version") << QStringList{u"--version"_s}
                                 << QStringList{u"vtl-i2c-cli-sim 1.0.0"_s};
    }

    void help()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        const SCliRun run = RunCli(arguments, u"empty"_s);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QString());
        for (const QString &text : expected)
            QVERIFY2(run.out.contains(text), qPrintable(text + u" not in:\n"_s + run.out));
    }

    void results_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("out");

        QTest::newRow("list") << u"preset"_s << QStringList{u"list"_s}
                              << u"A  SIM-A-0001  FW 0112  Vantrel I2C Adapter A\n"
                                 u"B  SIM-B-0002  FW 0203  Vantrel I2C Adapter B\n"
                                 u"C  SIM-C-0003  FW 0300  Vantrel I2C Adapter C\n"_s;
        QTest::newRow("detect") << u"single"_s << QStringList{u"detect"_s} << GRID_7BIT;
        QTest::newRow("detect --all, 8-bit")
            << u"single"_s << QStringList{u"--8bit"_s, u"detect"_s, u"--all"_s} << GRID_8BIT_ALL;
        QTest::newRow("detect on B by serial")
            << u"preset"_s << QStringList{u"-a"_s, u"SIM-B-0002"_s, u"detect"_s}
            << QString(GRID_7BIT).replace(u" 48 "_s, u" -- "_s).replace(u"50 51"_s, u"50 --"_s);
        QTest::newRow("read") << u"single"_s << QStringList{u"read"_s, u"0x50"_s, u"4"_s}
                              << u"42 65 6E 63\n"_s;
        QTest::newRow("read, 8-bit read address")
            << u"single"_s << QStringList{u"--8bit"_s, u"read"_s, u"A1"_s, u"4"_s}
            << u"42 65 6E 63\n"_s;
        QTest::newRow("read of 20 in lines with offsets")
            << u"single"_s << QStringList{u"read"_s, u"50"_s, u"20"_s}
            << u"00: 42 65 6E 63 68 20 45 45 50 52 4F 4D 20 41 FF FF\n10: FF FF FF FF\n"_s;
        QTest::newRow("read on C at 1000 kbit/s")
            << u"preset"_s << QStringList{u"--adapter"_s, u"SIM-C-0003"_s, u"-s"_s, u"1000"_s,
                                          u"read"_s,      u"0x50"_s,       u"14"_s}
            << u"42 65 6E 63 68 20 45 45 50 52 4F 4D 20 43\n"_s;
        QTest::newRow("get") << u"single"_s << QStringList{u"get"_s, u"0x50"_s, u"06"_s, u"3"_s}
                             << u"45 45 50\n"_s;
        QTest::newRow("get, count 1 by default")
            << u"single"_s << QStringList{u"get"_s, u"0x50"_s, u"0x0D"_s} << u"41\n"_s;
        QTest::newRow("get, two-byte register as a number")
            << u"single"_s
            << QStringList{u"get"_s, u"--reg-width"_s, u"2"_s, u"0x51"_s, u"6"_s, u"3"_s}
            << u"33 32 20\n"_s;
        QTest::newRow("write prints nothing")
            << u"single"_s << QStringList{u"write"_s, u"0x50"_s, u"10"_s, u"41"_s} << QString();
        QTest::newRow("set") << u"single"_s << QStringList{u"set"_s, u"0x50"_s, u"10"_s, u"41"_s}
                             << QString();
        QTest::newRow("transfer, write then read")
            << u"single"_s << QStringList{u"transfer"_s, u"w1@0x50"_s, u"04"_s, u"r4"_s}
            << u"68 20 45 45\n"_s;
        QTest::newRow("transfer, 8-bit")
            << u"single"_s
            << QStringList{u"--8bit"_s, u"transfer"_s, u"w2@0xA2"_s, u"00"_s, u"06"_s, u"r3@A3"_s}
            << u"33 32 20\n"_s;
        QTest::newRow("dump, partial lines")
            << u"single"_s
            << QStringList{u"dump"_s, u"0x50"_s, u"--from"_s, u"0x0A"_s, u"--to"_s, u"0x11"_s}
            << u"00:                               4F 4D 20 41 FF FF            OM A..\n"
               u"10: FF FF                                            ..\n"_s;
        QTest::newRow("dump, two-byte offsets")
            << u"single"_s << QStringList{u"dump"_s,   u"0x51"_s, u"--reg-width"_s, u"2"_s,
                                          u"--from"_s, u"7FF0"_s, u"--to"_s,        u"7FFF"_s}
            << u"7FF0: FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF  ................\n"_s;
        QTest::newRow("quiet read")
            << u"single"_s << QStringList{u"-q"_s, u"read"_s, u"0x50"_s, u"4"_s} << QString();
    }

    void results()
    {
        QFETCH(QString, bench);
        QFETCH(QStringList, arguments);
        QFETCH(QString, out);
        const SCliRun run = RunCli(arguments, bench);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(run.out, out);
        QCOMPARE(run.err, QString());
    }

    void json_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QJsonObject>("expected");
        QTest::newRow("read") << QStringList{u"read"_s, u"0x50"_s, u"2"_s}
                              << QJsonObject{
                                     {u"command"_s, u"read"_s}, {u"adapter"_s, u"SIM-A-0001"_s},
                                     {u"address"_s, u"0x50"_s}, {u"count"_s, 2},
                                     {u"data"_s, u"42 65"_s},   {u"ok"_s, true}};
        QTest::newRow("get, 8-bit") << QStringList{u"--8bit"_s, u"get"_s, u"0xA0"_s, u"01"_s}
                                    << QJsonObject{{u"command"_s, u"get"_s},
                                                   {u"address"_s, u"0xA0"_s},
                                                   {u"written"_s, u"01"_s},
                                                   {u"data"_s, u"65"_s},
                                                   {u"ok"_s, true}};
        QTest::newRow("write") << QStringList{u"write"_s, u"--no-stop"_s, u"0x50"_s, u"0102"_s}
                               << QJsonObject{{u"command"_s, u"write"_s},
                                              {u"written"_s, u"01 02"_s},
                                              {u"start"_s, true},
                                              {u"stop"_s, false},
                                              {u"ok"_s, true}};
        QTest::newRow("detect") << QStringList{u"detect"_s}
                                << QJsonObject{{u"command"_s, u"detect"_s},
                                               {u"first"_s, u"0x08"_s},
                                               {u"last"_s, u"0x77"_s},
                                               {u"found"_s, QJsonArray{u"0x23"_s, u"0x48"_s,
                                                                       u"0x50"_s, u"0x51"_s}},
                                               {u"ok"_s, true}};
        QTest::newRow("read NACK") << QStringList{u"read"_s, u"0x40"_s, u"2"_s}
                                   << QJsonObject{{u"address"_s, u"0x40"_s},
                                                  {u"ok"_s, false},
                                                  {u"error"_s, u"NACK received"_s},
                                                  {u"data"_s, u""_s}};
        QTest::newRow("dump") << QStringList{u"dump"_s, u"0x50"_s, u"--to"_s, u"3"_s}
                              << QJsonObject{{u"from"_s, u"0x00"_s},
                                             {u"to"_s, u"0x03"_s},
                                             {u"data"_s, u"42 65 6E 63"_s},
                                             {u"ok"_s, true}};
    }

    void json()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QJsonObject, expected);
        const SCliRun run = RunCli(QStringList{u"--json"_s} + arguments);
        QVERIFY2(run.out.endsWith(u'\n') && run.out.count(u'\n') == 1, qPrintable(run.out));
        const QJsonObject json = run.Json();
        for (auto it = expected.begin(); it != expected.end(); ++it)
            QVERIFY2(json.value(it.key()) == it.value(),
                     qPrintable(it.key() + u" in "_s + run.out));
        QCOMPARE(run.exitCode, json.value(u"ok"_s).toBool() ? 0 : 1);
    }

    void listJson()
    {
        const SCliRun run = RunCli({u"list"_s, u"--json"_s}, u"denied"_s);
        QCOMPARE(run.exitCode, 3);
        const QJsonArray adapters = run.Json().value(u"adapters"_s).toArray();
        QCOMPARE(adapters.size(), 1);
        const QJsonObject adapter = adapters.first().toObject();
        QCOMPARE(adapter.value(u"serial"_s).toString(), u"SIM-A-0001"_s);
        QCOMPARE(adapter.value(u"model"_s).toString(), u"A"_s);
        QCOMPARE(adapter.value(u"firmware"_s).toString(), u"0112"_s);
        QCOMPARE(adapter.value(u"access"_s).toString(), u"no-permission"_s);
        QVERIFY(adapter.value(u"error"_s).toString().contains(u"Permission denied"_s));
        QVERIFY(run.err.contains(u"70-vtl-i2c.rules"_s));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString single = u"single"_s;
        const QString preset = u"preset"_s;
        const QString b = u"SIM-B-0002"_s;
        QTest::newRow("no command") << single << QStringList{} << u"no command given"_s;
        QTest::newRow("option of another command")
            << single << QStringList{u"read"_s, u"--all"_s, u"0x50"_s, u"1"_s}
            << u"read: Unknown option 'all'"_s;
        QTest::newRow("missing count")
            << single << QStringList{u"read"_s, u"0x50"_s} << u"read: COUNT missing"_s;
        QTest::newRow("7-bit address too large")
            << single << QStringList{u"read"_s, u"0x80"_s, u"1"_s} << u"ADDR '0x80'"_s;
        QTest::newRow("8-bit address too large")
            << single << QStringList{u"--8bit"_s, u"read"_s, u"100"_s, u"1"_s}
            << u"ADDR '100' is not an 8-bit address"_s;
        QTest::newRow("bad byte") << single << QStringList{u"write"_s, u"0x50"_s, u"00"_s, u"G1"_s}
                                  << u"BYTE 'G1'"_s;
        QTest::newRow("speed model B lacks")
            << preset << QStringList{u"-a"_s, b, u"--speed"_s, u"1000"_s, u"detect"_s}
            << u"--speed 1000 is not supported by the VantrelB (it runs at 50, 100, 400 kbit/s)"_s;
        QTest::newRow("pull-ups on A")
            << single << QStringList{u"--pullups"_s, u"off"_s, u"detect"_s}
            << u"--pullups: the VantrelA has no pull-up switch"_s;
        QTest::newRow("read beyond model B's limit")
            << preset << QStringList{u"-a"_s, b, u"read"_s, u"0x50"_s, u"257"_s}
            << u"COUNT asks for 257 bytes; the VantrelB reads 1 to 256"_s;
        QTest::newRow("read before the last message")
            << single << QStringList{u"transfer"_s, u"r1@0x50"_s, u"w1@0x50"_s, u"00"_s}
            << u"a read can only be the last message"_s;
        QTest::newRow("eeprom file missing")
            << single << QStringList{u"eeprom"_s, u"verify"_s, u"0x50"_s, u"/nonexistent/x.bin"_s,
                                     u"--size"_s, u"256"_s}
            << u"FILE '/nonexistent/x.bin' cannot be read"_s;
        QTest::newRow("device file missing")
            << single << QStringList{u"run"_s, u"/nonexistent/x.i2cdev"_s, u"Power On"_s}
            << u"FILE '/nonexistent/x.i2cdev'"_s;
        QTest::newRow("several adapters")
            << preset << QStringList{u"read"_s, u"0x50"_s, u"1"_s}
            << u"3 adapters are attached; choose one with --adapter SERIAL:\n"
               u"  VantrelA SIM-A-0001\n  VantrelB SIM-B-0002\n  VantrelC SIM-C-0003"_s;
    }

    void usageErrors()
    {
        QFETCH(QString, bench);
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const SCliRun run = RunCli(arguments, bench);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QString());
        QVERIFY2(run.err.startsWith(u"vtl-i2c-cli-sim: "_s), qPrintable(run.err));
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    // A bad argument after good ones sends none of them.
    void usageErrorSendsNothing()
    {
        const QString state = Path(u"untouched"_s);
        QCOMPARE(
            RunCli({u"set"_s, u"0x50"_s, u"00"_s, u"41"_s, u"4G"_s}, u"single"_s, state).exitCode,
            2);
        QCOMPARE(RunCli({u"transfer"_s, u"w2@0x50"_s, u"00"_s, u"41"_s, u"r1"_s, u"r1"_s},
                        u"single"_s, state)
                     .exitCode,
                 2);
        const SCliRun run = RunCli({u"read"_s, u"0x50"_s, u"1"_s}, u"single"_s, state);
        QCOMPARE(run.out, u"42\n"_s);
    }

    void noAdapter_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("none attached")
            << u"empty"_s << QStringList{u"detect"_s} << QStringList{u"no adapter attached"_s};
        QTest::newRow("list of none")
            << u"empty"_s << QStringList{u"list"_s} << QStringList{u"no adapter attached"_s};
        QTest::newRow("unknown serial")
            << u"preset"_s << QStringList{u"--adapter"_s, u"SIM-X"_s, u"detect"_s}
            << QStringList{u"--adapter SIM-X: no such adapter attached"_s, u"SIM-C-0003"_s};
        QTest::newRow("permission denied")
            << u"denied"_s << QStringList{u"read"_s, u"0x50"_s, u"1"_s}
            << QStringList{u"no permission to open adapter SIM-A-0001"_s,
                           u"Permission denied"_s,
                           u"sudo install -m 644 build/release/dist/70-vtl-i2c.rules "
                           u"/etc/udev/rules.d/"_s,
                           u"/usr/lib/udev/rules.d/70-vtl-i2c.rules"_s,
                           u"sudo udevadm control --reload-rules && sudo udevadm trigger "
                           u"--subsystem-match=hidraw"_s,
                           u"unplug and reattach"_s};
    }

    void noAdapter()
    {
        QFETCH(QString, bench);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, messages);
        const SCliRun run = RunCli(arguments, bench);
        QCOMPARE(run.exitCode, 3);
        QCOMPARE(run.out, QString());
        for (const QString &message : messages)
            QVERIFY2(run.err.contains(message), qPrintable(run.err));
    }

    void busFailure_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("read") << QStringList{u"read"_s, u"0x40"_s, u"2"_s}
                              << u"read 0x40: NACK received"_s;
        QTest::newRow("write, 8-bit") << QStringList{u"--8bit"_s, u"write"_s, u"0x80"_s, u"00"_s}
                                      << u"write 0x80: NACK received"_s;
        QTest::newRow("write without start, none open")
            << QStringList{u"write"_s, u"--no-start"_s, u"0x50"_s, u"01"_s}
            << u"write 0x50: Transaction without start"_s;
        QTest::newRow("get") << QStringList{u"get"_s, u"0x41"_s, u"00"_s}
                             << u"get 0x41: NACK received"_s;
        QTest::newRow("second message")
            << QStringList{u"transfer"_s, u"w1@0x50"_s, u"00"_s, u"w1@0x41"_s, u"00"_s, u"r1"_s}
            << u"transfer: message 2 (w1@0x41), 1 of 3 messages went through: NACK received"_s;
        QTest::newRow("dump") << QStringList{u"dump"_s, u"0x42"_s}
                              << u"dump 0x42 at offset 0x00: NACK received"_s;
    }

    void busFailure()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        const SCliRun run = RunCli(arguments);
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, u"vtl-i2c-cli-sim: "_s + message + u'\n');
    }

    void stateKeepsWrites()
    {
        const QString state = Path(u"writes"_s);
        QCOMPARE(
            RunCli({u"set"_s, u"0x50"_s, u"20"_s, u"41"_s, u"42"_s}, u"single"_s, state).exitCode,
            0);
        QCOMPARE(
            RunCli({u"write"_s, u"--no-stop"_s, u"0x50"_s, u"22"_s}, u"single"_s, state).exitCode,
            0);
        const SCliRun run = RunCli({u"get"_s, u"0x50"_s, u"20"_s, u"3"_s}, u"single"_s, state);
        QCOMPARE(run.out, u"41 42 FF\n"_s);
    }

    void eepromRoundTrip_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("page");
        QTest::addColumn<int>("fileSize");
        QTest::addColumn<bool>("writeCycle");
        QTest::newRow("256 bytes, 8-byte pages, whole") << u"0x50"_s << 256 << 8 << 256 << false;
        QTest::newRow("256 bytes, 8-byte pages, part") << u"0x50"_s << 256 << 8 << 61 << false;
        QTest::newRow("32 KiB, 64-byte pages, part") << u"0x51"_s << 32768 << 64 << 300 << true;
    }

    void eepromRoundTrip()
    {
        QFETCH(QString, address);
        QFETCH(int, size);
        QFETCH(int, page);
        QFETCH(int, fileSize);
        QFETCH(bool, writeCycle);
        const QString state = Path(u"eeprom-%1-%2"_s.arg(address).arg(fileSize));
        const QString image = Path(u"image-%1.bin"_s.arg(fileSize));
        const QByteArray bytes = Pattern(fileSize, size);
        QVERIFY(WriteFile(image, bytes));
        const QStringList geometry{u"--size"_s, QString::number(size), u"--page"_s,
                                   QString::number(page)};

        SCliRun run =
            RunCli(QStringList{u"--json"_s, u"eeprom"_s, u"write"_s, address, image} + geometry,
                   u"single"_s, state);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        const QJsonObject written = run.Json();
        QCOMPARE(written.value(u"bytes"_s).toInt(), fileSize);
        QCOMPARE(written.value(u"pages"_s).toInt(), (fileSize + page - 1) / page);
        // Without a write cycle the first poll answers; with one, the chip stays silent a while.
        if (writeCycle)
            QVERIFY(written.value(u"polls"_s).toInt() > written.value(u"pages"_s).toInt());
        else
            QCOMPARE(written.value(u"polls"_s).toInt(), written.value(u"pages"_s).toInt());

        run = RunCli(QStringList{u"eeprom"_s, u"verify"_s, address, image} + geometry, u"single"_s,
                     state);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        QCOMPARE(run.out,
                 u"%1 bytes of '%2' match the EEPROM at %3\n"_s.arg(fileSize).arg(image, address));

        const QString back = Path(u"back-%1.bin"_s.arg(fileSize));
        run = RunCli({u"--speed"_s, u"1000"_s, u"eeprom"_s, u"read"_s, address, back, u"--size"_s,
                      QString::number(size)},
                     u"single"_s, state);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err + run.out));
        const QByteArray read = ReadFile(back);
        QCOMPARE(read.size(), size);
        QCOMPARE(read.left(fileSize), bytes);
        QVERIFY(read.mid(fileSize) != QByteArray(size - fileSize, char(0)) || fileSize == size);

        QByteArray changed = bytes;
        const int offset = fileSize - 2;
        changed[offset] = char(~changed[offset]);
        QVERIFY(WriteFile(image, changed));
        run = RunCli(QStringList{u"--json"_s, u"eeprom"_s, u"verify"_s, address, image} + geometry,
                     u"single"_s, state);
        QCOMPARE(run.exitCode, 1);
        const QJsonObject verified = run.Json();
        QCOMPARE(verified.value(u"identical"_s).toBool(true), false);
        const int digits = size > 256 ? 4 : 2;
        QCOMPARE(verified.value(u"offset"_s).toString(),
                 u"0x"_s + QString::number(offset, 16).toUpper().rightJustified(digits, u'0'));
    }

    void run_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("read") << u"Read 4"_s << 0 << u"42 65 6E 63\n"_s << QString();
        QTest::newRow("label in other case, blanks around")
            << u"  read 4 "_s << 0 << u"42 65 6E 63\n"_s << QString();
        QTest::newRow("write") << u"Point at 6"_s << 0 << QString() << QString();
        QTest::newRow("write/read") << u"Text at 6"_s << 0 << u"45 45 50\n"_s << QString();
        QTest::newRow("write without start, none open")
            << u"Data only"_s << 1 << QString()
            << u"run 'Data only' at 0x50: Transaction without start"_s;
        QTest::newRow("write to a silent slave")
            << u"Wake"_s << 1 << QString() << u"run 'Wake' at 0x40: NACK received"_s;
        QTest::newRow("unknown label")
            << u"Erase"_s << 2 << QString() << u"LABEL 'Erase' is no command of"_s;
    }

    void run()
    {
        QFETCH(QString, label);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QString file = Path(u"bench-eeprom.i2cdev"_s);
        QVERIFY(WriteFile(file, R"({
    "version": 2,
    "name": "Bench EEPROM",
    "address": "0x50",
    "commands": [
        { "label": "Read 4", "type": "read", "count": 4 },
        { "label": "Point at 6", "type": "write", "mode": "auto", "data": "06" },
        { "label": "Data only", "type": "write", "mode": "stop", "data": "41" },
        { "label": "Text at 6", "type": "writeread", "data": "06", "count": 3 }
    ]
}
)"));
        const QString silent = Path(u"silent.i2cdev"_s);
        QVERIFY(WriteFile(silent, R"({ "version": 1, "address": "0x40", "commands": [
            { "label": "Wake", "type": "write", "mode": "auto", "data": "01" } ] })"));
        const SCliRun run = RunCli({u"run"_s, label == u"Wake"_s ? silent : file, label});
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.out, out);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    }

    void interrupt()
    {
        QProcess process;
        // 65535 bytes at 100 kbit/s keep the bus busy for about six seconds.
        StartCli(process, {u"--progress"_s, u"read"_s, u"0x51"_s, u"65535"_s});
        QVERIFY(process.waitForStarted());
        QString err;
        while (!err.contains(u"read 0x51: "_s) && process.state() == QProcess::Running) {
            process.waitForReadyRead(1000);
            err += QString::fromUtf8(process.readAllStandardError());
        }
        QVERIFY2(err.contains(u" of 65535 bytes"_s), qPrintable(err));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        QVERIFY(process.waitForFinished(10000));
        err += QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 130);
        QVERIFY2(err.endsWith(u"vtl-i2c-cli-sim: read 0x51: interrupted\n"_s), qPrintable(err));
        QCOMPARE(process.readAllStandardOutput(), QByteArray());
    }
};

VTL_TEST_MAIN(TestCliProgram)
#include "tst_CliProgram.moc"
