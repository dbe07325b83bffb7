// SPDX-License-Identifier: MIT
// eeprom as a script meets it: a wrong block part is refused before it writes into the chip
// next door, part names as printed on chips, images on standard input, file names that are
// not UTF-8, and counts of one.
#include "CliProcess.h"
#include "VtlTestMain.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;
using namespace CliProcess;

namespace {

// The bytes of an EEPROM as the simulated bench keeps them between runs.
QByteArray StateOf(const QString &state, const QString &name)
{
    QFile file(QDir(state).filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestCliEepromSafety : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void eepromCommandLines_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QString>("arguments"); // shell words; $RAW: a name with the byte 0xE9
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");   // a part of stdout
        QTest::addColumn<QString>("err");   // a part of stderr
        QTest::addColumn<QString>("keeps"); // state files that must keep their bytes
        const QString a = u"SIM-A-0001-50.bin SIM-A-0001-51.bin"_s;
        const auto row = [](const char *name, const QString &bench, const QString &arguments,
                            const QByteArray &input, int exit, const QString &out,
                            const QString &err, const QString &keeps) {
            QTest::newRow(name) << bench << arguments << input << exit << out << err << keeps;
        };
        // Adapter A: a 256-byte chip at 0x50, a 32 KiB chip with two address bytes at 0x51.
        row("24c16 over two chips", u"single"_s, u"eeprom erase 0x50 --part 24c16"_s, {}, 2, {},
            u"eeprom erase 0x50: 24x16 spans 0x50 to 0x57, but 0x51 answers as another chip, "
            u"not as block 1 of the part; nothing was written\n"_s,
            a);
        row("24c04 write, JSON, 8-bit", u"single"_s,
            u"--json --8bit eeprom write 0xA0 - --part 24LC04B --offset 0xF0"_s,
            QByteArray(40, 'x'), 2,
            u"\"error\":\"24x04 spans 0xA0 and 0xA2, but 0xA2 answers as another chip"_s, QString(),
            a);
        row("silent upper half", u"preset"_s, u"-a SIM-B-0002 eeprom erase 0x50 --part 24c1025"_s,
            {}, 2, {}, u"24x1025 spans 0x50 and 0x54, but 0x54 does not answer"_s,
            u"SIM-B-0002-50.bin SIM-B-0002-53.bin"_s);
        row("one block part, one page", u"preset"_s,
            u"-a SIM-C-0003 eeprom erase 0x50 --part 24c16 --offset 0x700 --length 1"_s, {}, 0,
            u"erased 1 byte of the EEPROM at 0x50 in 1 page\n"_s, QString(), QString());
        row("name as printed, HEX on standard input", u"preset"_s,
            u"-a SIM-C-0003 eeprom write 0x50 - --part AT24C16C-SSHL-T --offset 0x3FE --verify"_s,
            ":0200000041427B\n:00000001FF\n", 0,
            u"wrote 2 bytes of the EEPROM at 0x50 in 1 page, verified\n"_s, QString(), QString());
        row("S-record on standard input", u"single"_s, u"eeprom verify 0x50 - --part 24xx02"_s,
            "S108000042656E636817\nS9030000FC\n", 0, u"5 bytes of '-' match the EEPROM at 0x50\n"_s,
            QString(), QString());
        row("one byte differs", u"single"_s, u"eeprom verify 0x50 - --part 24c02 --format bin"_s,
            "Bench EEPROM X", 1, u"from offset 0x0D on: file 58, EEPROM 41\n"_s, QString(),
            QString());
        row("image file named in bytes", u"single"_s, u"eeprom verify 0x50 \"$RAW\" --part 24c02"_s,
            {}, 0, u"5 bytes of '"_s, QString(), QString());
        row("output file named in bytes", u"single"_s,
            u"eeprom read 0x50 \"$RAW.out\" --part 24c02 --length 6 && cat \"$RAW.out\""_s, {}, 0,
            u"Bench "_s, QString(), QString());
    }

    void eepromCommandLines()
    {
        QFETCH(QString, bench);
        QFETCH(QString, arguments);
        QFETCH(QByteArray, input);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, keeps);
        const QString state = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()));
        // A first run leaves the bench's chips as files, to compare afterwards.
        QCOMPARE(RunCli(bench, {u"eeprom"_s, u"parts"_s}, state).exitCode, 0);
        QList<QByteArray> before;
        for (const QString &name : keeps.split(u' ', Qt::SkipEmptyParts)) {
            before.append(StateOf(state, name));
            QVERIFY2(!before.back().isEmpty(), qPrintable(name));
        }

        // Through the shell, which hands the program the name's bytes as they are.
        QVERIFY(WriteFile(m_dir.filePath(u"image.bin"_s), "Bench"));
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(u"VTL_CLI_SIM_BENCH"_s, bench);
        environment.insert(u"VTL_CLI_SIM_STATE"_s, state);
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(m_dir.path());
        process.start(
            u"/bin/sh"_s,
            {u"-c"_s, u"RAW=$(printf 'caf\\351.bin'); cp image.bin \"$RAW\"; \"$0\" "_s + arguments,
             QStringLiteral(VTL_CLI_SIM_PROGRAM)});
        QVERIFY(process.waitForStarted());
        process.write(input);
        process.closeWriteChannel();
        QVERIFY(process.waitForFinished(60000));
        const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
        const QString stdErr = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == exit, qPrintable(stdErr + stdOut));
        QVERIFY2(stdOut.contains(out), qPrintable(stdOut));
        QVERIFY2(stdErr.contains(err), qPrintable(stdErr));
        if (arguments.startsWith(u"--json"_s)) {
            QJsonParseError error;
            const QJsonObject json = QJsonDocument::fromJson(stdOut.toUtf8(), &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(json.value(u"ok"_s).toBool(), exit == 0);
        }
        const QStringList names = keeps.split(u' ', Qt::SkipEmptyParts);
        for (qsizetype i = 0; i < names.size(); ++i)
            QVERIFY2(StateOf(state, names[i]) == before[i], qPrintable(names[i]));
    }
};

VTL_TEST_MAIN(TestCliEepromSafety)
#include "tst_CliEepromSafety.moc"
