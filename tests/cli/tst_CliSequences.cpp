// SPDX-License-Identifier: MIT
// Sequences through vtl-i2c-cli-sim as a process: dry runs in the envelope every dry run
// has, and counts in words that agree
// with their number.
#include "CliProcess.h"
#include "VtlTestMain.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using namespace CliProcess;
using namespace Qt::StringLiterals;

class TestCliSequences : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // '|' separates the lines of the script %F; %D holds them as the sequence "Check" of a
    // device at 0x50.
    QStringList prepare(const QString &script, const QString &arguments)
    {
        const QString file = m_dir.filePath(u"steps.i2cseq"_s);
        const QString device = m_dir.filePath(u"check.i2cdev"_s);
        const QStringList lines = script.split(u'|');
        if (!WriteFile(file, lines.join(u'\n').toUtf8()))
            return {};
        const QJsonObject command{{u"label"_s, u"Check"_s},
                                  {u"type"_s, u"sequence"_s},
                                  {u"steps"_s, QJsonArray::fromStringList(lines)}};
        const QJsonObject json{
            {u"version"_s, 4}, {u"address"_s, u"0x50"_s}, {u"commands"_s, QJsonArray{command}}};
        if (!WriteFile(device, QJsonDocument(json).toJson()))
            return {};
        return Words(arguments).replaceInStrings(u"%F"_s, file).replaceInStrings(u"%D"_s, device);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("VTL_CLI_SIM_LATENCY", "none");
    }

    void commandLines_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out"); // %D: the device file
        QTest::addColumn<QString>("err"); // a part of stderr; empty: none
        QTest::newRow("json dry run: one object")
            << u"repeat 2|w1 0A|end|echo hi"_s << u"--json script --dry-run --address 0x50 %F"_s
            << 0
            << Json(R"({"command":"script","dryRun":true,"ok":true,)"
                    R"("transfers":["w1@0x50 0A","w1@0x50 0A","echo hi"]})")
            << QString();
        QTest::newRow("json dry run of a stored sequence, 8-bit")
            << u"w1 0A|expect w1 00 r1 == 42"_s << u"--8bit --json run --dry-run %D check"_s << 0
            << Json(R"({"command":"run","dryRun":true,"ok":true,)"
                    R"("transfers":["w1@0xA0 0A","expect w1@0xA0 00 r1 == 42"]})")
            << QString();
        QTest::newRow("quiet dry run prints nothing")
            << u"repeat 3|r1@0x50|end"_s << u"-q --json script --dry-run %F"_s << 0 << QString()
            << QString();
        QTest::newRow("one command, one register")
            << u"r1"_s << u"check %D"_s << 0 << u"%D: ok, 1 command, 0 registers\n"_s << QString();
        QTest::newRow("one byte compared")
            << u"expect r2@0x50 == 42"_s << u"script %F"_s << 2 << QString()
            << u"expect compares 1 byte, but its transfer reads 2"_s;
        QTest::newRow("one attempt")
            << u"poll r1@0x50 until 00 every 10ms timeout 0ms"_s << u"script %F"_s << 1 << QString()
            << u"within 0us (1 attempt); last read 42"_s;
    }

    void commandLines()
    {
        QFETCH(QString, script);
        QFETCH(QString, arguments);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QString, err);
        const QStringList words = prepare(script, arguments);
        QVERIFY(!words.isEmpty());
        const SCliRun run = RunCli(u"single"_s, words);
        QVERIFY2(run.exitCode == exit, qPrintable(u"%1\n"_s.arg(run.exitCode) + run.err));
        QCOMPARE(run.out, QString(out).replace(u"%D"_s, m_dir.filePath(u"check.i2cdev"_s)));
        if (err.isEmpty())
            QCOMPARE(run.err, QString());
        else
            QVERIFY2(run.err.contains(err), qPrintable(run.err));
        if (arguments.contains(u"--json"_s) && !out.isEmpty())
            QVERIFY(QJsonDocument::fromJson(run.out.toUtf8()).isObject());
    }
};

VTL_TEST_MAIN(TestCliSequences)
#include "tst_CliSequences.moc"
