// SPDX-License-Identifier: MIT
// The program as a script meets it: one JSON object for every failure, results that cannot
// be written fail the run, a signal ends the program as it would any other once it has
// cleaned up, the adapter chosen by place, model letter or VTL_ADAPTER, and a progress
// line that leaves nothing behind on a terminal.
#include "CliProcess.h"
#include "CliProgress.h"
#include "VtlTestMain.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <thread>

using namespace Qt::StringLiterals;
using namespace CliProcess;

namespace {

QString Files(QString text)
{
    return text.replace(u"%T"_s, QStringLiteral(VTL_REGISTER_DEVICES "/bench-temperature.i2cdev"));
}

} // namespace

class TestCliScripting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Exit status, stdout and stderr of command lines; under --json stdout holds only JSON
    // objects, one a line, and the last says "ok" as the status does, with the error.
    void commandLines_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QString>("arguments"); // "NAME=value" words first set variables
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("command"); // the last JSON object's; empty: none there
        QTest::addColumn<QString>("text");    // a part of stdout, or on failure of stderr
        const auto row = [](const char *name, const QString &bench, const QString &arguments,
                            int exit, const QString &command, const QString &text) {
            QTest::newRow(name) << bench << arguments << exit << command << text;
        };
        const QString single = u"single"_s;
        const QString preset = u"preset"_s;
        row("missing argument", single, u"--json get 0x50"_s, 2, u"get"_s, u"get: REG missing"_s);
        row("extra argument", single, u"--json get 0x50 00 2 extra"_s, 2, u"get"_s,
            u"get: unexpected argument 'extra'"_s);
        row("unknown option before the command", single, u"--json --bogus get"_s, 2, {},
            u"Unknown option '--bogus'."_s);
        row("bad option value, -j in a cluster", single, u"-qj -s 33 get 0x50 00"_s, 2, u"get"_s,
            u"--speed '33' is not one of"_s);
        row("unknown part", u"empty"_s, u"--json parts --path NOPE"_s, 2, u"parts"_s,
            u"No part 'NOPE' in the library"_s);
        row("list of none", u"empty"_s, u"--json list"_s, 3, u"list"_s, u"no adapter attached"_s);
        row("global option before an i2c-tools command", single, u"--json i2cdetect -l"_s, 2,
            u"i2cdetect"_s, u"i2cdetect takes the options of i2c-tools only"_s);
        row("write left open", single, u"--json write --no-stop 0x50 00"_s, 2, u"write"_s,
            u"--no-stop: a transaction cannot continue in another run"_s);
        row("negative value among options", u"empty"_s, u"reg %T TLOW.T -5 --dry-run"_s, 0, {},
            u"\nw3@0x48 02 "_s);
        row("adapter from the environment", preset, u"VTL_ADAPTER=C read 0x50 14"_s, 0, {},
            u"20 43\n"_s);
        row("environment naming no adapter", preset, u"VTL_ADAPTER=7 --json read 0x50 1"_s, 3,
            u"read"_s, u"VTL_ADAPTER=7: no such adapter attached"_s);
        // Every result of a command that went on the bus tells its bus time.
        row("dump's bus time", single, u"--json dump 0x50 --to 0x0f"_s, 0, u"dump"_s,
            u"\"from\""_s);
        row("detect's bus time", single, u"--json detect"_s, 0, u"detect"_s, u"\"found\""_s);
        row("regs' bus time", single, u"--json regs %T"_s, 0, u"regs"_s, u"\"TLOW\""_s);
        row("transfer's bus time", single, u"--json transfer w1@0x50 00 r2"_s, 0, u"transfer"_s,
            u"\"messages\""_s);
        // "-" is standard input for a device file as for any other file.
        row("device file from standard input", single, u"--json reg - TLOW <%T"_s, 0, u"reg"_s,
            u"75.00 °C"_s);
        row("check from standard input", u"empty"_s, u"check - <%T"_s, 0, {}, u"-: ok, "_s);
    }

    void commandLines()
    {
        QFETCH(QString, bench);
        QFETCH(QString, arguments);
        QFETCH(int, exit);
        QFETCH(QString, command);
        QFETCH(QString, text);
        QStringList variables;
        QString rest = arguments;
        while (rest.section(u' ', 0, 0).contains(u'=')) {
            variables.append(rest.section(u' ', 0, 0));
            rest = rest.section(u' ', 1);
        }
        QStringList words = Words(Files(rest));
        // A last word "<FILE" is what the program reads on standard input.
        QString input;
        if (words.last().startsWith(u'<'))
            input = words.takeLast().mid(1);
        QProcess process;
        if (!input.isEmpty())
            process.setStandardInputFile(input);
        StartCli(process, bench, words, {}, variables);
        QVERIFY(process.waitForFinished(60000));
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == exit, qPrintable(err));
        QVERIFY2((exit == 0 ? out : err).contains(text), qPrintable(out + err));
        if (!words.contains(u"--json"_s) && !words.contains(u"-qj"_s))
            return;
        // Only JSON objects, one a line, the last saying "ok" as the status does.
        QJsonObject last;
        for (const QString &line : out.split(u'\n', Qt::SkipEmptyParts)) {
            const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8());
            QVERIFY2(document.isObject(), qPrintable(line));
            last = document.object();
        }
        QVERIFY2(out.endsWith(u'\n'), qPrintable(out));
        QCOMPARE(last.value(u"ok"_s).toBool(exit != 0), exit == 0);
        QCOMPARE(last.value(u"command"_s).toString(), command);
        QCOMPARE(last.contains(u"command"_s), !command.isEmpty());
        if (exit == 0 && bench != u"empty"_s)
            QVERIFY2(last.value(u"durationUs"_s).isDouble(), qPrintable(out));
        if (exit != 0)
            QVERIFY2(last.value(u"error"_s).toString().contains(text), qPrintable(out));
    }

    // A result that cannot be written (here a full device) makes a run that would have
    // succeeded end with 1; an exit status that already tells a failure stays.
    void outputThatFails_data()
    {
        QTest::addColumn<QString>("bench");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exit");
        const QString single = u"single"_s;
        QTest::newRow("version") << single << u"--version"_s << 1;
        QTest::newRow("list") << u"preset"_s << u"list"_s << 1;
        QTest::newRow("detect") << single << u"detect"_s << 1;
        QTest::newRow("get, json") << single << u"--json get 0x50 00"_s << 1;
        QTest::newRow("read of 65535 bytes") << single << u"read 0x51 65535"_s << 1;
        QTest::newRow("i2c-tools command") << single << u"i2cget -y 0 0x50 0x00"_s << 1;
        QTest::newRow("usage error, json") << single << u"--json get 0x50"_s << 2;
    }

    void outputThatFails()
    {
        QFETCH(QString, bench);
        QFETCH(QString, arguments);
        QFETCH(int, exit);
        QProcess process;
        process.setStandardOutputFile(u"/dev/full"_s);
        StartCli(process, bench, Words(arguments), {}, {u"VTL_CLI_SIM_LATENCY=none"_s});
        QVERIFY(process.waitForFinished(60000));
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == exit, qPrintable(err));
        QVERIFY2(
            err.endsWith(
                u"vtl-i2c-cli-sim: standard output cannot be written: No space left on device\n"_s),
            qPrintable(err));
    }

    // After the signal the program stops the transfer, prints what came, and then dies by
    // that same signal, so that a shell loop around it stops as well.
    void signals_data()
    {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("ignored"); // ignored by the caller and sent first; 0: none
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("ready"); // stderr to wait for before the signal
        QTest::addColumn<QString>("out");   // what stdout must match
        QTest::addColumn<QString>("err");   // what stderr must match at its end
        // 65535 bytes at 100 kbit/s keep the bus busy for about six seconds.
        const QString read = u"--progress read 0x51 65535"_s;
        const QString progress = u"read 0x51: [1-9]\\d* of 65535 bytes"_s;
        const QString bytes =
            u"^0000: 42 65 6E 63 68( [0-9A-F]{2})+\n([0-9A-F]{4}:( [0-9A-F]{2})+\n)*$"_s;
        const QString interrupted = u"vtl-i2c-cli-sim: read 0x51: interrupted\n$"_s;
        QTest::newRow("SIGHUP") << int(SIGHUP) << 0 << read << progress << bytes << interrupted;
        // A background job of a shell starts with SIGINT ignored: Ctrl+C is not for it.
        QTest::newRow("SIGINT ignored by the caller, then SIGTERM")
            << int(SIGTERM) << int(SIGINT) << read << progress << bytes << interrupted;
        QTest::newRow("SIGINT at an i2c-tools question")
            << int(SIGINT) << 0 << u"i2cget 0 0x50 0x00"_s << u"Continue\\? \\[Y/n\\] $"_s
            << u"^$"_s << u"\\[Y/n\\] (Aborting on user request.\n)?$"_s;
    }

    void signals()
    {
        QFETCH(int, signal);
        QFETCH(int, ignored);
        QFETCH(QString, arguments);
        QFETCH(QString, ready);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess process;
        if (ignored != 0)
            process.setChildProcessModifier([ignored] { std::signal(ignored, SIG_IGN); });
        StartCli(process, u"single"_s, Words(arguments));
        QVERIFY(process.waitForStarted());
        const QRegularExpression readyText(ready);
        QString stdErr;
        while (!stdErr.contains(readyText) && process.state() == QProcess::Running) {
            process.waitForReadyRead(1000);
            stdErr += QString::fromUtf8(process.readAllStandardError());
        }
        QVERIFY2(stdErr.contains(readyText), qPrintable(stdErr));
        if (ignored != 0) {
            QCOMPARE(::kill(pid_t(process.processId()), ignored), 0);
            QVERIFY(!process.waitForFinished(500));
        }
        QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
        QVERIFY(process.waitForFinished(10000));
        stdErr += QString::fromUtf8(process.readAllStandardError());
        const QString stdOut = QString::fromUtf8(process.readAllStandardOutput());
        // Killed by the signal: QProcess reports a crash with the signal's number.
        QCOMPARE(process.exitStatus(), QProcess::CrashExit);
        QCOMPARE(process.exitCode(), signal);
        QVERIFY2(stdOut.contains(QRegularExpression(out)), qPrintable(stdOut));
        QVERIFY2(stdErr.contains(QRegularExpression(err)), qPrintable(stdErr));
    }

    // On a terminal the line is rewritten in place and erased at the end: nothing stale
    // stays above the next prompt.
    void progressLineIsErased()
    {
        std::FILE *stream = std::tmpfile();
        QVERIFY(stream != nullptr);
        {
            CCliProgress progress(true, true);
            progress.SetStream(stream);
            progress.Begin(u"read 0x50"_s, 8, u"bytes"_s);
            // Nothing shows within the first tenth of a second.
            std::this_thread::sleep_for(std::chrono::milliseconds(120));
            progress.Report(3);
            progress.End();
        }
        std::rewind(stream);
        QByteArray written(256, '\0');
        written.resize(qsizetype(std::fread(written.data(), 1, 256, stream)));
        std::fclose(stream);
        QCOMPARE(written, QByteArray("\rread 0x50: 3 of 8 bytes (37 %)\033[K\r\033[K"));
    }
};

VTL_TEST_MAIN(TestCliScripting)
#include "tst_CliScripting.moc"
