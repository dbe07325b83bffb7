// SPDX-License-Identifier: MIT
// serve as a rig runs it: the other runs of the program find it and go through it, list names
// it, a second server of the adapter is refused, and a signal ends it without a socket left.
#include "CliProcess.h"
#include "VtlTestMain.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace CliProcess;

class TestCliServe : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void servesUntilSignal_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
    }

    void servesUntilSignal()
    {
        QFETCH(int, signal);
        QProcess server;
        StartCli(server, u"single"_s, Words(u"-a SIM-A-0001 serve"_s));
        QVERIFY(server.waitForStarted());
        QString line;
        while (!line.contains(u'\n') && server.state() == QProcess::Running) {
            server.waitForReadyRead(1000);
            line += QString::fromUtf8(server.readAllStandardOutput());
        }
        const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR") + u"/vtl-i2c/"_s;
        QCOMPARE(line, u"Serving VantrelA  SN SIM-A-0001 on %1SIM-A-0001.sock\n"_s.arg(folder));
        const QString socket = folder + u"SIM-A-0001.sock"_s;
        QVERIFY(QFile::exists(socket));
        const QString pid = QString::number(server.processId());

        // Every other run goes through the server: a byte one run writes, the next reads,
        // where each run's own simulated EEPROM would start afresh.
        const SCliRun list = RunCli(u"single"_s, {u"list"_s});
        QCOMPARE(list.out, u"A  SIM-A-0001  FW 0112  Vantrel I2C Adapter A  "
                           u"(shared by vtl-i2c-cli-sim (pid %1))\n"_s.arg(pid));
        const SCliRun json = RunCli(u"single"_s, Words(u"--json list"_s));
        QVERIFY2(
            json.out.contains(uR"("sharedBy":{"pid":%1,"program":"vtl-i2c-cli-sim"})"_s.arg(pid)),
            qPrintable(json.out));
        QCOMPARE(RunCli(u"single"_s, Words(u"-a SIM-A-0001 set 0x50 00 AA"_s)).exitCode, 0);
        const SCliRun get = RunCli(u"single"_s, Words(u"-a SIM-A-0001 get 0x50 00 4"_s));
        QCOMPARE(get.exitCode, 0);
        QCOMPARE(get.out, u"AA 65 6E 63\n"_s);
        const SCliRun second = RunCli(u"single"_s, Words(u"-a SIM-A-0001 serve"_s));
        QCOMPARE(second.exitCode, 3);
        QCOMPARE(second.err,
                 u"vtl-i2c-cli-sim: adapter SIM-A-0001 is already shared by vtl-i2c-cli-sim "
                 u"(pid %1)\n"_s.arg(pid));

        QCOMPARE(::kill(pid_t(server.processId()), signal), 0);
        QVERIFY(server.waitForFinished(10000));
        QCOMPARE(server.exitStatus(), QProcess::CrashExit);
        QCOMPARE(server.exitCode(), signal);
        QVERIFY(!QFile::exists(socket));
        QVERIFY(!RunCli(u"single"_s, {u"list"_s}).out.contains(u"shared"_s));
    }
};

VTL_TEST_MAIN(TestCliServe)
#include "tst_CliServe.moc"
