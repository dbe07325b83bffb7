// SPDX-License-Identifier: MIT
// The i2c-tools subcommands of vtl-i2c-cli-sim against the real i2c-tools programs, both on
// the same simulated bench (the real ones through a stand-in for /dev/i2c-N): each command
// must print the same on stdout and stderr and end with the same status.
#include "VtlTestMain.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

struct SRun
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

QString RealProgram(const QString &name)
{
    return QStandardPaths::findExecutable(name, {u"/usr/sbin"_s, u"/sbin"_s, u"/usr/bin"_s});
}

SRun Run(bool real, const QString &bench, const QString &state, const QStringList &command,
         const QByteArray &input)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"VTL_CLI_SIM_BENCH"_s, bench);
    environment.insert(u"VTL_CLI_SIM_STATE"_s, state);
    QProcess process;
    if (real) {
        const QString runtime = QStringLiteral(VTL_SANITIZER_RUNTIME);
        const QString preload = QStringLiteral(VTL_FAKE_I2CDEV);
        environment.insert(u"LD_PRELOAD"_s, runtime.isEmpty() ? preload : runtime + u':' + preload);
        environment.insert(u"ASAN_OPTIONS"_s, u"detect_leaks=0"_s);
        process.setProcessEnvironment(environment);
        process.start(RealProgram(command.first()), command.mid(1));
    } else {
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(VTL_CLI_SIM_PROGRAM), command);
    }
    process.write(input);
    process.closeWriteChannel();
    SRun run;
    if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    else
        process.kill();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

class TestI2cTools : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (RealProgram(u"i2cdetect"_s).isEmpty())
            QSKIP("i2c-tools is not installed (apt-get install i2c-tools)");
    }

    // Each row: commands run one after the other on one bench (so a set is seen by the get
    // after it), '|' between commands, what stdin holds for each.
    void sameAsI2cTools_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QString>("commands");
        QTest::addColumn<QByteArray>("input");
        const auto row = [](const char *name, const QString &commands, const QByteArray &input = {},
                            const QString &bench = u"preset"_s) {
            QTest::newRow(name) << bench << commands << input;
        };
        row("detect grids", u"i2cdetect -y 0|i2cdetect -y -a 2|i2cdetect -y -r 0 0x40 0x5f|"
                            "i2cdetect -y -q 0 0x20 0x30"_s);
        row("detect on model B skips quick writes", u"i2cdetect -y 1|i2cdetect -y -q 1"_s);
        row("functions and list", u"i2cdetect -F 0|i2cdetect -F 1|i2cdetect -l"_s);
        row("detect asks first", u"i2cdetect 0|i2cdetect -r 2"_s, "n\n");
        row("detect usage", u"i2cdetect|i2cdetect -y 0 0x02 0x10|i2cdetect -y 0 8 x|"
                            "i2cdetect -q -r 0|i2cdetect -x 0|i2cdetect -y 7"_s);
        row("gets of each mode",
            u"i2cget -y 0 0x48 0x0f|i2cget -y 0 0x48 0x00 w|i2cget -y 0 0x48 0x03 b|"
            "i2cget -y 0 0x50 0x02 c|i2cget -y 0 0x50|i2cget -y 0 0x50 0x00 i 8|"
            "i2cget -y 0 0x50 0x04 i|i2cget -y SIM-C-0003 0x48 0x0f"_s);
        row("gets that fail", u"i2cget -y 0 0x49|i2cget -y 0 0x48 0x00 bp|"
                              "i2cget -y 0 0x50 0x00 s|i2cget -y 1 0x23 0x00 w"_s);
        row("get usage", u"i2cget|i2cget -y 0 0x05|i2cget -y 0 0x50 0x100|"
                         "i2cget -y 0 0x50 0 x|i2cget -y 0 0x50 0 ip|i2cget -y 0 0x50 0 b 4|"
                         "i2cget -y 0 0x50 0 i 33|i2cget -y 5 0x50|i2cget -y NOPE 0x50"_s);
        row("get asks first", u"i2cget 0 0x48 0x0f|i2cget 0 0x50 0x00 i 2"_s, "y\n");
        row("sets with mask and readback",
            u"i2cset -y -r 0 0x48 0x03 0x40|i2cset -y -m 0xf0 -r 0 0x48 0x03 0x25|"
            "i2cget -y 0 0x48 0x03|i2cset -y -r 0 0x48 0x00 0x10|i2cset -y 0 0x48 0x03 0x1234 w|"
            "i2cget -y 0 0x48 0x03 w"_s);
        row("sets of blocks and bytes",
            u"i2cset -y 0 0x50 0x10 1 2 3 i|i2cset -y 0 0x50 0x20 0x41 0x42 s|"
            "i2cset -y 0 0x50 0x30|i2cset -y 0 0x50 0x31 cp|i2cset -y 0 0x50 0x40 0x07 bp|"
            "i2cdump -y 0 0x50 i"_s);
        row("set usage", u"i2cset -y 0 0x50 0x11 0x42 x|i2cset -y 0 0x50 0x11 0x100|"
                         "i2cset -y 0 0x50 0x11 1 2 b|i2cset -y -m 0 0 0x48 3 1|"
                         "i2cset -y -m 0xf0 0 0x50 0 1 2 i|i2cset -y 0 0x50 0 1 ip|"
                         "i2cset -y 0 0x49 0 1|i2cset 0 0x48"_s);
        row("set asks first",
            u"i2cset 0 0x48 0x03 0x30|i2cset 0 0x50 0x03 0x30|"
            "i2cset -m 0x0f 0 0x48 0x04 0x01"_s,
            "\n");
        row("dumps of each mode", u"i2cdump -y 0 0x48|i2cdump -y 0 0x48 b|i2cdump -y 0 0x48 w|"
                                  "i2cdump -y 0 0x48 W|i2cdump -y 0 0x50 c|i2cdump -y 0 0x50 i"_s);
        row("dumps of ranges", u"i2cdump -y -r 0x08-0x2f 0x50 0 i|i2cdump -y -r 0x05-0x0e 0 0x48 b|"
                               "i2cdump -y -r 0x02-0x0b 0 0x48 W|i2cdump -y -r 0x03-0x05 0 0x48 w|"
                               "i2cdump -y -r 0x10-0x1f 0 0x50 c|i2cdump -y -r 0x01-0x04 0 0x48 W|"
                               "i2cdump -y -r 5 0 0x48|i2cdump -y -r 0x20-0x10 0 0x48"_s);
        row("dumps that fail", u"i2cdump -y 0 0x49 b|i2cdump -y 0 0x50 s|i2cdump -y 0 0x49 i|"
                               "i2cdump -y 0 0x49 c|i2cdump -y 0 0x50 x|i2cdump -y 0 0x50 i 1"_s);
        row("dump asks first", u"i2cdump 0 0x48 b|i2cdump -r 0-7 0 0x48 bp 1"_s, "n\n");
        row("transfers with suffixes",
            u"i2ctransfer -y 0 w1@0x50 0x00 r8|i2ctransfer -y -v 0 w1@0x50 0 r4|"
            "i2ctransfer -y 0 w9@0x50 0x60 0x41+ r3|i2ctransfer -y 0 w5@0x50 0x70 0xff-|"
            "i2ctransfer -y 0 w4@0x50 0x78 7p|i2ctransfer -y -v 0 w3@0x50 0x74 0x5a= w1 0x60 r16|"
            "i2ctransfer -y 0 w1@0x48 0x0f r1 w1@0x50 0x00"_s);
        row("transfers that fail", u"i2ctransfer -y 0 w1@0x49 0|i2ctransfer -y 0 r1@0x50 w1 0|"
                                   "i2ctransfer -y 0 r?@0x50|i2ctransfer -y 1 w0@0x50|"
                                   "i2ctransfer -y 1 r300@0x50|i2ctransfer -y 0 r0@0x50"_s);
        row("transfer usage", u"i2ctransfer|i2ctransfer -y 0|i2ctransfer -y 0 w2@0x50 1|"
                              "i2ctransfer -y 0 x1@0x50|i2ctransfer -y 0 r1@0x05|"
                              "i2ctransfer -y 0 r1|i2ctransfer -y 0 w1@0x50 0x100|"
                              "i2ctransfer -y 0 w2@0x50 1x|i2ctransfer -y 0 r1#0x50|"
                              "i2ctransfer -y 0 w?@0x50|i2ctransfer -z 0"_s);
        row("transfer asks first", u"i2ctransfer 0 w2@0x50 0x00 0x01 r2|i2ctransfer 0 r1@0x50"_s,
            "y\n");
        row("no adapter", u"i2cdetect -l|i2cdetect -y 0|i2cget -y 0 0x50"_s, {}, u"empty"_s);
    }
    void sameAsI2cTools()
    {
        QFETCH(QString, bench);
        QFETCH(QString, commands);
        QFETCH(QByteArray, input);
        QTemporaryDir realState;
        QTemporaryDir ownState;
        for (const QString &line : commands.split(u'|')) {
            const QStringList command = line.split(u' ', Qt::SkipEmptyParts);
            const SRun real = Run(true, bench, realState.path(), command, input);
            const SRun own = Run(false, bench, ownState.path(), command, input);
            const QByteArray what = line.toUtf8();
            QVERIFY2(real.exitCode >= 0, what.constData());
            QCOMPARE(own.out, real.out);
            QCOMPARE(own.err, real.err);
            QVERIFY2(own.exitCode == real.exitCode,
                     (what + ": status " + QByteArray::number(own.exitCode) + ", i2c-tools " +
                      QByteArray::number(real.exitCode))
                         .constData());
        }
    }
};

VTL_TEST_MAIN(TestI2cTools)
#include "tst_I2cTools.moc"
