// SPDX-License-Identifier: MIT
// The report protocol shared by all models, driven through model A (and C where the
// two must agree) against the simulated adapter, byte for byte.
#include "CSimEeprom.h"
#include "CVtlAi2c.h"
#include "CVtlCi2c.h"
#include "DriverTestSupport.h"
#include "VtlTestMain.h"
#include "VtlUsbIds.h"

#include <QtTest>

#include <atomic>
#include <memory>
#include <thread>

using namespace Qt::StringLiterals;

namespace {

const std::wstring SERIAL = L"A-1001";
constexpr std::uint8_t SLAVE = 0x50;

QString Text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

class TestCVtlI2c : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CRecordingSlave> m_slave;
    std::unique_ptr<CVtlAi2c> m_driver;

    void connectDriver()
    {
        QVERIFY2(m_driver->Connect(SERIAL, EI2cSpeed::Speed100k), m_driver->GetLastError().c_str());
        m_adapter->ClearReports();
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, SERIAL);
        m_slave = m_adapter->AddSlave(SLAVE, std::make_shared<CRecordingSlave>());
        m_driver = std::make_unique<CVtlAi2c>();
    }

    void cleanup()
    {
        m_driver.reset();
        m_slave.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void connectSendsOneEnableReportAndTakesIdentity()
    {
        SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::A, L"A-2002");
        config.product = L"Vantrel A Bench";
        config.releaseNumber = 0x1A05;
        auto adapter = CSimBus::Instance().Attach(config);

        QVERIFY(m_driver->Connect(L"A-2002", EI2cSpeed::Speed400k));
        QVERIFY(m_driver->IsConnected());
        QCOMPARE(ReportLines(adapter->GetSpecialReports()), Expected({"01 01 01"}));
        QVERIFY(adapter->GetReports(0).empty());
        QVERIFY(m_adapter->GetSpecialReports().empty());
        QVERIFY(m_driver->GetSerialNumber() == L"A-2002");
        QVERIFY(m_driver->GetProductName() == L"Vantrel A Bench");
        QCOMPARE(m_driver->GetFirmware(), std::uint16_t(0x1A05));
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed400k);
        QVERIFY(adapter->IsI2cEnabled());
        QCOMPARE(adapter->GetSpeedCode(), std::uint8_t(1));
    }

    void productNameFallsBackToTypeName()
    {
        SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::C, L"C-1");
        config.product = std::nullopt;
        CSimBus::Instance().Attach(config);
        CVtlCi2c driver;
        QVERIFY(driver.Connect(L"C-1", EI2cSpeed::Speed1000k));
        QVERIFY(driver.GetProductName() == L"VantrelC");
    }

    void connectAgainDisablesTheOpenConnectionFirst()
    {
        connectDriver();
        QVERIFY(m_driver->Connect(SERIAL, EI2cSpeed::Speed50k));
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), Expected({"01 00 00", "01 01 02"}));
    }

    void connectFailures_data()
    {
        QTest::addColumn<int>("scenario");
        QTest::addColumn<QString>("error");
        QTest::newRow("unknown serial") << 0 << u"Device not found"_s;
        QTest::newRow("serial only on another interface") << 1 << u"Device not found"_s;
        QTest::newRow("serial differs in case") << 2 << u"Device not found"_s;
        QTest::newRow("open refused") << 3 << u"Permission denied"_s;
        QTest::newRow("unplugged") << 4 << u"Device not found"_s;
    }

    void connectFailures()
    {
        QFETCH(int, scenario);
        QFETCH(QString, error);
        std::wstring serial = SERIAL;
        if (scenario == 0)
            serial = L"A-9999";
        if (scenario == 1) {
            SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::A, L"A-3003");
            config.omitSpecialInterface = true;
            CSimBus::Instance().Attach(config);
            serial = L"A-3003";
        }
        if (scenario == 2)
            serial = L"a-1001";
        if (scenario == 3)
            m_adapter->SetOpenDenied(true);
        if (scenario == 4)
            m_adapter->Unplug();

        QVERIFY(!m_driver->Connect(serial, EI2cSpeed::Speed100k));
        QVERIFY2(Text(m_driver->GetLastError()).contains(error), m_driver->GetLastError().c_str());
        QVERIFY(!m_driver->IsConnected());
        QVERIFY(m_driver->GetSerialNumber().empty());
        QVERIFY(m_adapter->GetSpecialReports().empty());
    }

    void connectPicksTheLastMatchingListing()
    {
        // A system that lists the special-mode interface twice: either path is the same
        // interface, and the driver must end up talking to the adapter.
        CSimBus::Instance().Reset();
        SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::A, SERIAL);
        config.listSpecialInterfaceTwice = true;
        auto adapter = CSimBus::Instance().Attach(config);
        QVERIFY(m_driver->Connect(SERIAL, EI2cSpeed::Speed100k));
        QCOMPARE(adapter->GetOpenHandleCount(), 1);
        QCOMPARE(ReportLines(adapter->GetSpecialReports()), Expected({"01 01 00"}));
    }

    void disconnectSendsDisableOnceAndClears()
    {
        connectDriver();
        m_driver->Disconnect();
        m_driver->Disconnect();
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), Expected({"01 00 00"}));
        QVERIFY(!m_driver->IsConnected());
        QVERIFY(m_driver->GetSerialNumber().empty());
        QVERIFY(m_driver->GetProductName().empty());
        QCOMPARE(m_driver->GetFirmware(), std::uint16_t(0));
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed100k);
        QCOMPARE(m_adapter->GetOpenHandleCount(), 0);
        QVERIFY(!m_adapter->IsI2cEnabled());
    }

    void destroyingTheDriverSwitchesTheAdapterOff()
    {
        connectDriver();
        m_driver.reset();
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), Expected({"01 00 00"}));
        QCOMPARE(m_adapter->GetOpenHandleCount(), 0);
    }

    void setSpeedSendsOneEnableReport()
    {
        connectDriver();
        QVERIFY(m_driver->SetSpeed(EI2cSpeed::Speed1000k));
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed1000k);
        QVERIFY(!m_driver->SetSpeed(static_cast<EI2cSpeed>(5)));
        QCOMPARE(Text(m_driver->GetLastError()), u"Speed not supported by this device"_s);
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed1000k);
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), Expected({"01 01 04"}));
    }

    void setSpeedFailureKeepsTheOldSpeed()
    {
        connectDriver();
        QVERIFY(m_driver->SetSpeed(EI2cSpeed::Speed400k));
        m_adapter->Unplug();
        QVERIFY(!m_driver->SetSpeed(EI2cSpeed::Speed10k));
        QVERIFY(!m_driver->GetLastError().empty());
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed400k);
        QVERIFY(m_driver->IsConnected());
    }

    void writeChunking_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("start");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QList<int>>("flagBytes");
        QTest::newRow("1, start+stop") << 1 << true << true << QList<int>{0xC1};
        QTest::newRow("62, start+stop") << 62 << true << true << QList<int>{0xC0 | 62};
        QTest::newRow("63, start+stop") << 63 << true << true << QList<int>{0x80 | 62, 0x40 | 1};
        QTest::newRow("130, start+stop")
            << 130 << true << true << QList<int>{0x80 | 62, 62, 0x40 | 6};
        QTest::newRow("130, start only") << 130 << true << false << QList<int>{0x80 | 62, 62, 6};
        QTest::newRow("130, stop only") << 130 << false << true << QList<int>{62, 62, 0x40 | 6};
        QTest::newRow("130, neither") << 130 << false << false << QList<int>{62, 62, 6};
        QTest::newRow("124, start+stop") << 124 << true << true << QList<int>{0x80 | 62, 0x40 | 62};
    }

    void writeChunking()
    {
        QFETCH(int, length);
        QFETCH(bool, start);
        QFETCH(bool, stop);
        QFETCH(QList<int>, flagBytes);
        connectDriver();
        SI2cWriteResult result;
        if (!start) {
            // Data without a start needs a transaction that is already open.
            QVERIFY(m_driver->Write({SLAVE << 1}, result, true, false));
            m_adapter->ClearReports();
        }

        std::vector<unsigned char> data = Sequence(static_cast<std::size_t>(length), 0x10);
        if (start)
            data[0] = SLAVE << 1;
        result = {0xEE, 0xEE};
        QVERIFY2(m_driver->Write(data, result, start, stop), m_driver->GetLastError().c_str());
        QCOMPARE(result.status, std::uint8_t(0));
        QCOMPARE(result.errorCode, std::uint8_t(0));

        const auto reports = m_adapter->GetSpecialReports();
        QCOMPARE(reports.size(), std::size_t(flagBytes.size()));
        std::vector<unsigned char> sent;
        for (std::size_t i = 0; i < reports.size(); ++i) {
            QCOMPARE(reports[i].size(), std::size_t(64));
            QCOMPARE(reports[i][0], std::uint8_t(0x02));
            QCOMPARE(int(reports[i][1]), flagBytes[int(i)]);
            const std::size_t count = reports[i][1] & 0x3F;
            sent.insert(sent.end(), reports[i].begin() + 2, reports[i].begin() + 2 + count);
            for (std::size_t b = 2 + count; b < 64; ++b)
                QCOMPARE(reports[i][b], std::uint8_t(0));
        }
        QVERIFY(sent == data);
        QCOMPARE(m_adapter->IsTransactionOpen(), !stop);
    }

    void nackOnSecondOfThreeChunksStopsTheWrite()
    {
        connectDriver();
        m_slave->refuseAt = 70; // lies in the second chunk
        std::vector<unsigned char> data = Sequence(150);
        data[0] = SLAVE << 1;
        SI2cWriteResult result;
        QVERIFY(!m_driver->Write(data, result, true, true));
        QCOMPARE(Text(m_driver->GetLastError()), u"NACK received"_s);
        QCOMPARE(m_adapter->GetSpecialReports().size(), std::size_t(2));
        QVERIFY((result.status & 0x80) != 0);
        QCOMPARE(result.errorCode, std::uint8_t(3));
    }

    void writeReplyErrors_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QString>("error");
        QTest::newRow("code 0") << 0x80 << 0 << u"Error"_s;
        QTest::newRow("code 1") << 0x80 << 1 << u"Wrong number of bytes"_s;
        QTest::newRow("code 2") << 0x80 << 2 << u"Transaction without start"_s;
        QTest::newRow("code 3") << 0x80 << 3 << u"NACK received"_s;
        QTest::newRow("code 4") << 0x80 << 4 << u"Bus error"_s;
        QTest::newRow("code 9") << 0x80 << 9 << u"Unknown error"_s;
        QTest::newRow("arbitration lost") << 0x40 << 0 << u"Arbitration lost"_s;
        QTest::newRow("arbitration before error") << 0xC0 << 3 << u"Arbitration lost"_s;
    }

    void writeReplyErrors()
    {
        QFETCH(int, status);
        QFETCH(int, errorCode);
        QFETCH(QString, error);
        connectDriver();
        m_adapter->ForceNextStatus(std::uint8_t(status), std::uint8_t(errorCode));
        SI2cWriteResult result;
        QVERIFY(!m_driver->Write(Sequence(100, SLAVE << 1), result, true, true));
        QCOMPARE(Text(m_driver->GetLastError()), error);
        QCOMPARE(int(result.status), status);
        QCOMPARE(int(result.errorCode), errorCode);
        QCOMPARE(m_adapter->GetSpecialReports().size(), std::size_t(1));
    }

    void writeStatusBitsBelowSixPassThrough()
    {
        connectDriver();
        m_adapter->ForceNextStatus(0x05, 0x77);
        SI2cWriteResult result;
        QVERIFY(m_driver->Write({SLAVE << 1, 0x01}, result, true, true));
        QCOMPARE(result.status, std::uint8_t(0x05));
        QCOMPARE(result.errorCode, std::uint8_t(0x77));
    }

    void argumentChecksComeBeforeTheConnection_data()
    {
        QTest::addColumn<int>("operation");
        QTest::addColumn<QString>("error");
        QTest::newRow("write nothing") << 0 << u"No data to write"_s;
        QTest::newRow("write") << 1 << u"Not connected"_s;
        QTest::newRow("read address 0x80") << 2 << u"Invalid address"_s;
        QTest::newRow("read 0 bytes")
            << 3 << u"Invalid read count, this device reads 1..65535 bytes"_s;
        QTest::newRow("read 65536 bytes")
            << 4 << u"Invalid read count, this device reads 1..65535 bytes"_s;
        QTest::newRow("read") << 5 << u"Not connected"_s;
        QTest::newRow("probe") << 6 << u"Not connected"_s;
        QTest::newRow("set speed") << 7 << u"Not connected"_s;
    }

    void argumentChecksComeBeforeTheConnection()
    {
        QFETCH(int, operation);
        QFETCH(QString, error);
        SI2cWriteResult writeResult{0x11, 0x22};
        SI2cReadResult readResult{0x33, {1, 2, 3}};
        bool ok = true;
        switch (operation) {
        case 0:
            ok = m_driver->Write({}, writeResult, true, true);
            break;
        case 1:
            ok = m_driver->Write({0xA0}, writeResult, true, true);
            break;
        case 2:
            ok = m_driver->Read(0x80, 1, readResult);
            break;
        case 3:
            ok = m_driver->Read(SLAVE, 0, readResult);
            break;
        case 4:
            ok = m_driver->Read(SLAVE, 65536, readResult);
            break;
        case 5:
            ok = m_driver->Read(SLAVE, 1, readResult);
            break;
        case 6:
            ok = m_driver->Probe(SLAVE);
            break;
        case 7:
            ok = m_driver->SetSpeed(EI2cSpeed::Speed400k);
            break;
        }
        QVERIFY(!ok);
        QCOMPARE(Text(m_driver->GetLastError()), error);
        if (operation <= 1) {
            QCOMPARE(writeResult.status, std::uint8_t(0));
            QCOMPARE(writeResult.errorCode, std::uint8_t(0));
        }
        if (operation >= 2 && operation <= 5) {
            QCOMPARE(readResult.status, std::uint8_t(0));
            QVERIFY(readResult.data.empty());
            QCOMPARE(readResult.data.capacity(), std::size_t(0));
        }
    }

    void readRequestLayout_data()
    {
        QTest::addColumn<quint64>("count");
        QTest::addColumn<QString>("request");
        QTest::newRow("1") << quint64(1) << u"03 01 A1"_s;
        QTest::newRow("300") << quint64(300) << u"03 2C A1 01"_s;
        QTest::newRow("65535") << quint64(65535) << u"03 FF A1 FF"_s;
    }

    void readRequestLayout()
    {
        QFETCH(quint64, count);
        QFETCH(QString, request);
        connectDriver();
        SI2cReadResult result;
        QVERIFY2(m_driver->Read(SLAVE, count, result), m_driver->GetLastError().c_str());
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()),
                 Expected({request.toLatin1().constData()}));
        QCOMPARE(result.data.size(), std::size_t(count));
        for (std::size_t i = 0; i < result.data.size(); ++i)
            QCOMPARE(result.data[i], static_cast<unsigned char>(i));
    }

    void readAssembly_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("chunkSize");
        QTest::addColumn<bool>("oversized");
        QTest::newRow("100 as 62 + 38") << 100 << 62 << false;
        QTest::newRow("62 in one reply") << 62 << 62 << false;
        QTest::newRow("63 as 62 + 1") << 63 << 62 << false;
        QTest::newRow("100 in replies of 7") << 100 << 7 << false;
        QTest::newRow("100, first reply announces 63") << 100 << 62 << true;
    }

    void readAssembly()
    {
        QFETCH(int, count);
        QFETCH(int, chunkSize);
        QFETCH(bool, oversized);
        connectDriver();
        m_adapter->SetReadChunkSize(std::size_t(chunkSize));
        if (oversized)
            m_adapter->AnnounceOversizedRead();
        SI2cReadResult result;
        QVERIFY2(m_driver->Read(SLAVE, quint64(count), result), m_driver->GetLastError().c_str());
        QVERIFY(result.data == Sequence(std::size_t(count)));
        QCOMPARE(result.status & 0xC0, 0);
    }

    void replyAnnouncingMoreThanMissingGivesOnlyTheMissingBytes()
    {
        connectDriver();
        m_adapter->ForceNextStatus(62);
        SI2cReadResult result;
        QVERIFY(m_driver->Read(SLAVE, 10, result));
        QVERIFY(result.data == Sequence(10));
        QCOMPARE(result.status, std::uint8_t(62));
    }

    void readReplyErrors_data()
    {
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("error");
        QTest::newRow("status 0x00") << 0x00 << u"NACK received"_s;
        QTest::newRow("bit 7") << 0x80 << u"NACK received"_s;
        QTest::newRow("bit 7 with a count") << 0x8A << u"NACK received"_s;
        QTest::newRow("arbitration lost") << 0x4A << u"Arbitration lost"_s;
        QTest::newRow("arbitration before NACK") << 0xC0 << u"Arbitration lost"_s;
    }

    void readReplyErrors()
    {
        QFETCH(int, status);
        QFETCH(QString, error);
        connectDriver();
        m_adapter->ForceNextStatus(std::uint8_t(status));
        SI2cReadResult result;
        QVERIFY(!m_driver->Read(SLAVE, 20, result));
        QCOMPARE(Text(m_driver->GetLastError()), error);
        QCOMPARE(int(result.status), status);
        QVERIFY(result.data.empty());
    }

    void readFromSilentAddressIsNacked()
    {
        connectDriver();
        SI2cReadResult result;
        QVERIFY(!m_driver->Read(0x51, 4, result));
        QCOMPARE(Text(m_driver->GetLastError()), u"NACK received"_s);
        QVERIFY((result.status & 0x80) != 0);
    }

    void strayReportsDuringAWaitAreDropped()
    {
        connectDriver();
        m_adapter->InjectStrayReport({0x02, 0x80, 0x03}); // another transaction's ID
        m_adapter->InjectStrayReport({0x03, 0x80});       // too short to be a reply
        m_adapter->InjectStrayReport({0x07, 0x00, 0x00, 0x00});
        SI2cReadResult result;
        QVERIFY2(m_driver->Read(SLAVE, 3, result), m_driver->GetLastError().c_str());
        QVERIFY(result.data == Sequence(3));

        m_adapter->InjectStrayReport({0x03, 0x01, 0xEE});
        m_adapter->InjectStrayReport({0x02});
        SI2cWriteResult writeResult;
        QVERIFY2(m_driver->Write({SLAVE << 1, 0x42}, writeResult, true, true),
                 m_driver->GetLastError().c_str());
        QCOMPARE(writeResult.status, std::uint8_t(0));
    }

    void staleRepliesAreFlushedBeforeATransaction()
    {
        connectDriver();
        // Left over from an aborted transaction: a failed write reply and read data.
        m_adapter->PushInputReport(Report("02 80 03"));
        m_adapter->PushInputReport(Report("03 02 EE EE"));
        SI2cWriteResult writeResult;
        QVERIFY2(m_driver->Write({SLAVE << 1, 0x01}, writeResult, true, true),
                 m_driver->GetLastError().c_str());
        m_adapter->PushInputReport(Report("03 02 EE EE"));
        SI2cReadResult readResult;
        m_slave->nextRead = 0x30;
        QVERIFY(m_driver->Read(SLAVE, 2, readResult));
        QVERIFY(readResult.data == (std::vector<unsigned char>{0x30, 0x31}));
    }

    void droppedReplyTimesOutAndTheNextTransactionRecovers()
    {
        connectDriver();
        m_adapter->DropReplies(1);
        SI2cWriteResult result{0x12, 0x34};
        QVERIFY(!m_driver->Write({SLAVE << 1, 0x01}, result, true, true));
        QCOMPARE(Text(m_driver->GetLastError()), u"Timeout"_s);
        QCOMPARE(result.status, std::uint8_t(0));
        QCOMPARE(result.errorCode, std::uint8_t(0));

        SI2cReadResult readResult;
        QVERIFY2(m_driver->Read(SLAVE, 5, readResult), m_driver->GetLastError().c_str());
        QCOMPARE(readResult.data.size(), std::size_t(5));
    }

    void shortHidWriteFails()
    {
        connectDriver();
        m_adapter->ShortenNextWrite(10);
        SI2cWriteResult result;
        QVERIFY(!m_driver->Write({SLAVE << 1, 0x01}, result, true, true));
        QVERIFY(!m_driver->GetLastError().empty());
        QVERIFY(Text(m_driver->GetLastError()) != u"Timeout"_s);
        QVERIFY(m_slave->received.empty());
    }

    void probeWritesTheAddressByteAlone()
    {
        connectDriver();
        QVERIFY(m_driver->Probe(SLAVE));
        QVERIFY(!m_driver->Probe(0x51));
        QCOMPARE(Text(m_driver->GetLastError()), u"NACK received"_s);
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), Expected({"02 C1 A0", "02 C1 A2"}));
    }

    void presenceFollowsTheSystemListing()
    {
        QVERIFY(!m_driver->IsPresent());
        connectDriver();
        QVERIFY(m_driver->IsPresent());
        m_adapter->Unplug();
        QVERIFY(!m_driver->IsPresent());
        QVERIFY(m_driver->IsConnected()); // the handle stays open until the caller acts
        m_adapter->Plug();
        QVERIFY(m_driver->IsPresent());
        QVERIFY(m_adapter->GetSpecialReports().empty());
    }

    void unplugDuringALongReadFailsWithTheDeviceError()
    {
        // 65535 bytes take over a second at 1 ms frames; pull the cable meanwhile.
        connectDriver();
        m_adapter->SetFramePeriod(std::chrono::milliseconds(1));
        std::atomic<bool> started = false;
        std::thread unplugger([&] {
            while (!started)
                std::this_thread::yield();
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            m_adapter->Unplug();
        });
        SI2cReadResult result;
        started = true;
        const bool ok = m_driver->Read(SLAVE, 65535, result);
        unplugger.join();
        QVERIFY(!ok);
        QVERIFY(!m_driver->GetLastError().empty());
        // Failing on the device error, not by waiting out a reply that never comes.
        QVERIFY2(Text(m_driver->GetLastError()) != u"Timeout"_s, m_driver->GetLastError().c_str());
        // What arrived before the cable went stays in the result, in bus order.
        QVERIFY(!result.data.empty());
        QVERIFY(result.data.size() < 65535);
        QVERIFY(result.data == Sequence(result.data.size()));
        QVERIFY(!m_driver->IsPresent());
        m_driver->Disconnect();
        QVERIFY(!m_driver->IsConnected());
    }

    void unplugThenWriteFailsAndDisconnectStillCloses()
    {
        connectDriver();
        m_adapter->Unplug();
        SI2cWriteResult result;
        QVERIFY(!m_driver->Write({SLAVE << 1, 0x00}, result, true, true));
        QVERIFY(Text(m_driver->GetLastError()) != u"Timeout"_s);
        m_driver->Disconnect();
        QVERIFY(!m_driver->IsConnected());
        QCOMPARE(m_adapter->GetOpenHandleCount(), 0);
    }

    void enumerateInterfaceSortsAndRemovesDuplicates()
    {
        CSimBus::Instance().Reset();
        for (const wchar_t *serial : {L"A-20", L"A-100", L"A-2", L"A-2"}) {
            SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::A, serial);
            config.listSpecialInterfaceTwice = true;
            CSimBus::Instance().Attach(config);
        }
        std::vector<std::wstring> serials{L"stale"};
        QVERIFY(CVtlI2c::EnumerateInterface(VTL_USB_PRODUCT_ID_A, 2, serials));
        QVERIFY(serials == (std::vector<std::wstring>{L"A-100", L"A-2", L"A-20"}));
        QVERIFY(CVtlI2c::EnumerateInterface(VTL_USB_PRODUCT_ID_A, 5, serials));
        QVERIFY(serials.empty());
    }
};

VTL_TEST_MAIN(TestCVtlI2c)
#include "tst_CVtlI2c.moc"
