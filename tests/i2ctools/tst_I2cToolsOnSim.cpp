// SPDX-License-Identifier: MIT
// The i2c-tools subcommands in the test's own process on a simulated adapter, for what the
// real programs cannot be compared on: an adapter that stops answering, and the bus speed
// that the environment chooses.
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "I2cTools.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <algorithm>
#include <cstdio>

namespace {

QByteArray Contents(std::FILE *file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        bytes.append(buffer, qsizetype(n));
    return bytes;
}

struct SRun
{
    int status = 0;
    QByteArray out;
    QByteArray err;
};

SRun RunTool(const std::vector<std::string> &arguments)
{
    SI2cToolsIo io;
    io.out = std::tmpfile();
    io.err = std::tmpfile();
    io.in = std::tmpfile();
    SRun run;
    if (!io.out || !io.err || !io.in)
        return SRun{-1, {}, "no temporary file"};
    run.status = I2cTools::Run(arguments, io);
    run.out = Contents(io.out);
    run.err = Contents(io.err);
    for (std::FILE *file : {io.out, io.err, io.in})
        std::fclose(file);
    return run;
}

} // namespace

class TestI2cToolsOnSim : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Without the stop every further address would wait out its own second.
    void detectStopsWhenTheAdapterStopsAnswering()
    {
        CSimBus::Instance().Reset();
        const auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"DEAD-1");
        adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
        adapter->DropReplies(1000);
        const SRun run = RunTool({"i2cdetect", "-y", "0"});
        const int status = run.status;
        const QByteArray &out = run.out;
        const QByteArray &err = run.err;
        QCOMPARE(status, 1);
        QVERIFY2(err.startsWith("Error: Adapter stopped answering at address 0x08: Timeout\n"),
                 err.constData());
        QVERIFY2(out.endsWith("00:                         \n"), out.constData());
        // The enable report, the one probe and the switch-off.
        QCOMPARE(adapter->GetSpecialReports().size(), std::size_t(3));
    }

    // At most 42 messages, however the last one ends: a message that takes no data cannot
    // slip past the check that runs before each argument.
    void messageLimit_data()
    {
        QTest::addColumn<int>("writes"); // one-byte writes to 0x50
        QTest::addColumn<QByteArray>("last");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        const QByteArray tooMany("Error: Too many messages (max: 42)\n");
        QTest::newRow("42 writes") << 42 << QByteArray() << 0 << QByteArray() << QByteArray();
        QTest::newRow("41 writes and a read")
            << 41 << QByteArray("r1") << 0 << QByteArray("0x42\n") << QByteArray();
        QTest::newRow("42 writes and a read")
            << 42 << QByteArray("r1") << 1 << QByteArray() << tooMany;
        QTest::newRow("42 writes and an empty write")
            << 42 << QByteArray("w0") << 1 << QByteArray() << tooMany;
        QTest::newRow("43 writes") << 43 << QByteArray() << 1 << QByteArray() << tooMany;
    }

    void messageLimit()
    {
        QFETCH(int, writes);
        QFETCH(QByteArray, last);
        QFETCH(int, status);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        CSimBus::Instance().Reset();
        const auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"LIMIT-1");
        auto eeprom = std::make_shared<CSimEeprom>();
        adapter->AddSlave(0x50, eeprom);
        std::vector<std::string> arguments{"i2ctransfer", "-y", "0"};
        for (int i = 0; i < writes; ++i) {
            arguments.push_back(i == 0 ? "w1@0x50" : "w1");
            arguments.push_back("0x00");
        }
        if (!last.isEmpty())
            arguments.push_back(last.toStdString());
        eeprom->SetContents(0x00, {0x42});
        const SRun run = RunTool(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(run.out, out);
        QCOMPARE(run.err, err);
    }

    void speedFromTheEnvironment_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QByteArray>("speed"); // VTL_I2C_SPEED; null: unset
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("code"); // the speed code the adapter runs at; -1: not enabled
        QTest::addColumn<QByteArray>("error");
        QTest::newRow("unset") << 0 << QByteArray() << 0 << 0 << QByteArray();
        QTest::newRow("400") << 0 << QByteArray("400") << 0 << 1 << QByteArray();
        QTest::newRow("50 on B") << 1 << QByteArray("50") << 0 << 2 << QByteArray();
        QTest::newRow("1000 on B")
            << 1 << QByteArray("1000") << 1 << -1
            << QByteArray("Error: VTL_I2C_SPEED 1000 is not supported by the VantrelB (it runs "
                          "at 50, 100, 400 kbit/s)!\n");
        QTest::newRow("not a speed")
            << 0 << QByteArray("300") << 1 << -1
            << QByteArray(
                   "Error: VTL_I2C_SPEED '300' is not one of 10, 50, 100, 400, 1000 (kbit/s)!\n");
        QTest::newRow("with a unit") << 0 << QByteArray("400k") << 1 << -1
                                     << QByteArray("Error: VTL_I2C_SPEED '400k' is not one of");
    }

    void speedFromTheEnvironment()
    {
        QFETCH(int, model);
        QFETCH(QByteArray, speed);
        QFETCH(int, status);
        QFETCH(int, code);
        QFETCH(QByteArray, error);
        CSimBus::Instance().Reset();
        const auto adapter = CSimBus::Instance().Attach(ESimModel(model), L"SPEED-1");
        adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
        if (speed.isNull())
            qunsetenv("VTL_I2C_SPEED");
        else
            qputenv("VTL_I2C_SPEED", speed);
        const SRun run = RunTool({"i2cget", "-y", "0", "0x50", "0x00"});
        qunsetenv("VTL_I2C_SPEED");
        QCOMPARE(run.status, status);
        QVERIFY2(run.err.startsWith(error), run.err.constData());
        if (code < 0) {
            QVERIFY(run.out.isEmpty());
            QVERIFY(adapter->GetSpecialReports().empty());
        } else {
            QCOMPARE(run.out, QByteArray("0xff\n"));
            // The first enable report switched the I2C function on at that speed.
            const std::vector<std::vector<unsigned char>> reports = adapter->GetSpecialReports();
            const auto enable = std::find_if(reports.begin(), reports.end(), [](const auto &r) {
                return r[0] == 0x01 && r[1] == 0x01;
            });
            QVERIFY(enable != reports.end());
            QCOMPARE(int((*enable)[2] & 0x07), code);
        }
    }
};

VTL_TEST_MAIN(TestI2cToolsOnSim)
#include "tst_I2cToolsOnSim.moc"
