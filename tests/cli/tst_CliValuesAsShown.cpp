// SPDX-License-Identifier: MIT
// vtl-i2c-cli-sim run as a process: dry runs that send nothing, register fields written in
// the units they are shown in, counts in hex, addresses in 8-bit notation, a dump of a slave
// whose register pointer does not advance, and run's decoded value.
#include "CliProcess.h"
#include "VtlTestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CliProcess;

namespace {

// A device at the bench's 256-byte EEPROM: a stored write that would stamp it, a stored
// write/read, and a register map over its first byte.
const QByteArray EEPROM_DEVICE = R"({
    "version": 4,
    "name": "Stamped EEPROM",
    "address": "0x50",
    "commands": [
        { "label": "Stamp", "type": "write", "mode": "auto", "data": "00 44 52 59 52 55 4E" },
        { "label": "Peek", "type": "writeread", "data": "00", "count": 2 }
    ],
    "registers": {
        "addressBytes": 1,
        "byteOrder": "big",
        "autoIncrement": false,
        "list": [
            { "name": "FIRST", "address": "0x00", "size": 1, "access": "rw", "reset": "0x00",
              "fields": [ { "name": "HIGH", "bits": "7:4" }, { "name": "LOW", "bits": "3:0" } ] }
        ]
    }
})";

} // namespace

class TestCliValuesAsShown : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QStringList Arguments(const QString &line) const
    {
        QStringList words = Words(line);
        for (QString &word : words) {
            word.replace(u"%E"_s, m_dir.filePath(u"stamped.i2cdev"_s))
                .replace(u"%T"_s, QStringLiteral(VTL_PARTS_DIR "/tmp102.i2cdev"))
                .replace(u"%I"_s, QStringLiteral(VTL_PARTS_DIR "/ina226.i2cdev"))
                .replace(u"%B"_s, QStringLiteral(VTL_DEMO_EXAMPLES "/bench-temperature.i2cdev"));
        }
        return words;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(WriteFile(m_dir.filePath(u"stamped.i2cdev"_s), EEPROM_DEVICE));
    }

    // The "empty" bench has no adapter, so a dry run that exits 0 there opened none.
    void commands_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out"); // what stdout holds; empty: nothing
        QTest::addColumn<QString>("err"); // what stderr holds; empty: nothing
        const auto row = [](const char *name, const char *bench, const QString &arguments, int exit,
                            const QString &out, const QString &err = {}) {
            QTest::newRow(name) << QString::fromLatin1(bench) << arguments << exit << out << err;
        };
        const QString rangeT = u"(-128.00 °C to 127.94 °C; the bits as raw:0x0 to raw:0xFFF or "
                               u"raw:-2048 to raw:-1)"_s;

        row("dry run of a write/read, json, 8-bit", "empty",
            u"--json --8bit run --dry-run %E Peek"_s, 0,
            u"{\"command\":\"run\",\"dryRun\":true,\"ok\":true,\"transfers\":[\"w1@0xA0 00 r2\"]}\n"_s);
        row("dry run of Read All, 8-bit", "empty", u"--8bit regs --dry-run %B TEMP CONFIG"_s, 0,
            u"w1@0x90 00 r2\nw1@0x90 01 r2\n"_s);

        // A field with a unit takes the value in it, rounded to the nearest step of 0.0625 °C.
        const QString tlow = u"w1@0x48 02 r2\nw3@0x48 02 %1\n"_s;
        const QString note = u"note: the write shows TLOW from its reset value 0x4B00"_s;
        row("in the unit", "empty", u"reg --dry-run %T TLOW.T 75"_s, 0, tlow.arg(u"4B 00"), note);
        row("a bit pattern is no temperature", "single", u"--json reg %T TLOW.T 2048"_s, 2,
            u"{\"command\":\"reg\",\"error\":\"VALUE '2048' is no value of TLOW.T "_s + rangeT +
                u"\",\"ok\":false}\n"_s,
            u"VALUE '2048'"_s);
        row("written to the chip", "single", u"--json reg %T TLOW.T 75"_s, 0,
            u"\"meaning\":\"T=75.00 °C\",\"ok\":true,\"register\":\"TLOW\","
            u"\"registerAddress\":\"0x02\",\"value\":\"0x4B00\"}\n"_s);

        // An enum field takes its texts; its bits only after raw:.
        const QString config = u"w1@0x40 00 r2\nw3@0x40 00 %1\n"_s;
        row("enum text that looks like a number", "empty",
            u"reg --dry-run %I CONFIGURATION.AVG 4"_s, 0, config.arg(u"43 27"), u"note:"_s);
        row("number of another entry", "empty", u"reg --dry-run %I CONFIGURATION.AVG 2"_s, 2, {},
            u"VALUE '2' is no value of CONFIGURATION.AVG ('1', '4', '16', '64', '128', '256', "
            u"'512', '1024'; the bits as raw:0x0 to raw:0x7)"_s);

        // Counts take hex with 0x; a leading 0 stays decimal.
        row("count in hex", "single", u"read 0x50 0x10"_s, 0,
            u"42 65 6E 63 68 20 45 45 50 52 4F 4D 20 41 FF FF\n"_s);
        row("count with a leading 0", "single", u"read 0x50 010"_s, 0,
            u"42 65 6E 63 68 20 45 45 50 52\n"_s);

        row("reserved read address, 8-bit", "single", u"--8bit get 0x07 00"_s, 2, {},
            u"ADDR '0x07' (7-bit 0x03) is a reserved address (8-bit 0x00-0x0F, 0xF0-0xFF;"_s);

        // The bench's 0x48 returns the selected register again and again; 0x04 on NACK.
        row("pointer-register sensor", "single", u"dump 0x48 --to 0x13"_s, 0,
            u"00: 17 60 4B 50 XX XX XX XX XX XX XX XX XX XX XX XX  .`KPXXXXXXXXXXXX\n"
            u"10: XX XX XX XX                                      XXXX\n"_s,
            u"note: dump 0x48: the read repeats 17 80 over and over; reading register by "
            u"register"_s);
        row("memory byte-wise", "single", u"--json dump 0x50 --to 0x3 --byte-wise"_s, 0,
            u"{\"adapter\":\"SIM-A-0001\",\"address\":\"0x50\",\"byteWise\":true,"
            u"\"command\":\"dump\",\"count\":4,\"data\":\"42 65 6E 63\",\"durationUs\":0,"
            u"\"from\":\"0x00\",\"ok\":true,\"to\":\"0x03\"}\n"_s);
        row("byte-wise, nothing answers", "single", u"dump 0x42 --byte-wise --to 0x3"_s, 1, {},
            u"dump 0x42 at offset 0x00: NACK received"_s);

        row("range before the default end", "empty", u"dump 0x51 --reg-width 2 --from 0x7ff0"_s, 2,
            {}, u"--from 0x7ff0 lies after --to 0x00FF (the default)"_s);

        row("run's value in json", "single", u"--json run %B Read_Temperature"_s, 0,
            u"\"ok\":true,\"unit\":\"°C\",\"value\":23.5,\"written\":\"00\"}\n"_s);
    }

    void commands()
    {
        QFETCH(QString, bench);
        QFETCH(QString, arguments);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        SCliRun run = RunCli(bench, Arguments(arguments));
        // Bus times differ from run to run.
        static const QRegularExpression duration(u"\"durationUs\":\\d+"_s);
        run.out.replace(duration, u"\"durationUs\":0"_s);
        QVERIFY2(run.exitCode == exit, qPrintable(u"%1\n"_s.arg(run.exitCode) + run.err));
        if (out.isEmpty())
            QCOMPARE(run.out, QString());
        else
            QVERIFY2(run.out.endsWith(out), qPrintable(run.out));
        if (err.isEmpty())
            QCOMPARE(run.err, QString());
        else
            QVERIFY2(run.err.contains(err), qPrintable(run.err));
        if (!arguments.contains(u"--json"_s))
            return;
        for (const QString &line : run.out.split(u'\n', Qt::SkipEmptyParts)) {
            const QJsonObject json = QJsonDocument::fromJson(line.toUtf8()).object();
            QVERIFY2(!json.isEmpty(), qPrintable(line));
            QCOMPARE(json.value(u"ok"_s).toBool(), exit == 0);
        }
    }

    // With the adapter named, a dry run that sent anything would leave its mark on the EEPROM
    // that the state folder keeps between runs.
    void dryRunsLeaveTheChipAlone_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("out");
        QTest::newRow("stored write")
            << u"run --dry-run %E Stamp"_s << u"w7@0x50 00 44 52 59 52 55 4E\n"_s;
        QTest::newRow("field") << u"reg --dry-run %E FIRST.LOW 5"_s
                               << u"w1@0x50 00 r1\nw2@0x50 00 05\n"_s;
    }

    void dryRunsLeaveTheChipAlone()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, out);
        const QString state =
            m_dir.filePath(u"state-"_s + QString::fromUtf8(QTest::currentDataTag()));
        const QStringList read = Words(u"-a SIM-A-0001 read 0x50 8"_s);
        const SCliRun before = RunCli(u"preset"_s, read, state);
        QCOMPARE(before.out, u"42 65 6E 63 68 20 45 45\n"_s);
        const SCliRun dry = RunCli(u"preset"_s, Arguments(u"-a SIM-A-0001 "_s + arguments), state);
        QVERIFY2(dry.exitCode == 0, qPrintable(dry.err));
        QCOMPARE(dry.out, out);
        QCOMPARE(RunCli(u"preset"_s, read, state).out, before.out);
    }
};

VTL_TEST_MAIN(TestCliValuesAsShown)
#include "tst_CliValuesAsShown.moc"
