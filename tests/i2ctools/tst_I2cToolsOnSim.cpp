// SPDX-License-Identifier: MIT
// The i2c-tools subcommands in the test's own process on a simulated adapter, for what the
// real programs cannot be compared on: an adapter that stops answering.
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "I2cTools.h"
#include "VtlTestMain.h"

#include <QtTest>

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
        SI2cToolsIo io;
        io.out = std::tmpfile();
        io.err = std::tmpfile();
        io.in = std::tmpfile();
        QVERIFY(io.out && io.err && io.in);
        const int status = I2cTools::Run({"i2cdetect", "-y", "0"}, io);
        const QByteArray out = Contents(io.out);
        const QByteArray err = Contents(io.err);
        for (std::FILE *file : {io.out, io.err, io.in})
            std::fclose(file);
        QCOMPARE(status, 1);
        QVERIFY2(err.startsWith("Error: Adapter stopped answering at address 0x08: Timeout\n"),
                 err.constData());
        QVERIFY2(out.endsWith("00:                         \n"), out.constData());
        // The enable report, the one probe and the switch-off.
        QCOMPARE(adapter->GetSpecialReports().size(), std::size_t(3));
    }
};

VTL_TEST_MAIN(TestI2cToolsOnSim)
#include "tst_I2cToolsOnSim.moc"
