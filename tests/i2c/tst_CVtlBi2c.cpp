// SPDX-License-Identifier: MIT
// What model B does differently: configuration sent as disable + enable, the pull-up
// bit, the three speeds, the one-byte read count, the write guard and the read probe;
// and model A's answers to the same questions.
#include "CVtlAi2c.h"
#include "CVtlBi2c.h"
#include "DriverTestSupport.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const std::wstring SERIAL_B = L"B-0007";
const std::wstring SERIAL_A = L"A-0001";
constexpr std::uint8_t SLAVE = 0x50;

QString Text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

class TestCVtlBi2c : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapterB;
    std::shared_ptr<CSimAdapter> m_adapterA;
    std::unique_ptr<CVtlBi2c> m_driver;

    void connectDriver(EI2cSpeed speed = EI2cSpeed::Speed100k)
    {
        QVERIFY2(m_driver->Connect(SERIAL_B, speed), m_driver->GetLastError().c_str());
        m_adapterB->ClearReports();
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapterB = CSimBus::Instance().Attach(ESimModel::B, SERIAL_B);
        m_adapterB->AddSlave(SLAVE, std::make_shared<CRecordingSlave>());
        m_adapterA = CSimBus::Instance().Attach(ESimModel::A, SERIAL_A);
        m_driver = std::make_unique<CVtlBi2c>();
    }

    void cleanup()
    {
        m_driver.reset();
        m_adapterA.reset();
        m_adapterB.reset();
        CSimBus::Instance().Reset();
    }

    void connectSendsDisableThenEnable_data()
    {
        QTest::addColumn<bool>("pullUps");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("enable");
        QTest::newRow("pull-ups on, 100k") << true << 0 << u"01 01 00"_s;
        QTest::newRow("pull-ups on, 50k") << true << 2 << u"01 01 02"_s;
        QTest::newRow("pull-ups off, 400k") << false << 1 << u"01 01 81"_s;
    }

    void connectSendsDisableThenEnable()
    {
        QFETCH(bool, pullUps);
        QFETCH(int, speed);
        QFETCH(QString, enable);
        // A setting made while disconnected sends nothing; Connect carries it.
        QVERIFY(m_driver->SetPullUpsEnabled(pullUps));
        QVERIFY(m_adapterB->GetSpecialReports().empty());
        QVERIFY(m_driver->Connect(SERIAL_B, static_cast<EI2cSpeed>(speed)));
        QCOMPARE(ReportLines(m_adapterB->GetSpecialReports()),
                 Expected({"01 00 00", enable.toLatin1().constData()}));
        QCOMPARE(m_adapterB->GetPullUpsEnabled(), pullUps);
        QVERIFY(m_adapterB->GetReports(0).empty());
    }

    void unsupportedSpeedsAreRefusedBeforeAnyReport_data()
    {
        QTest::addColumn<int>("speed");
        QTest::newRow("10k") << 3;
        QTest::newRow("1000k") << 4;
        QTest::newRow("code 5") << 5;
    }

    void unsupportedSpeedsAreRefusedBeforeAnyReport()
    {
        QFETCH(int, speed);
        QVERIFY(!m_driver->Connect(SERIAL_B, static_cast<EI2cSpeed>(speed)));
        QCOMPARE(Text(m_driver->GetLastError()), u"Speed not supported by this device"_s);
        QVERIFY(!m_driver->IsConnected());
        QCOMPARE(m_adapterB->GetOpenHandleCount(), 0);

        connectDriver(EI2cSpeed::Speed400k);
        QVERIFY(!m_driver->SetSpeed(static_cast<EI2cSpeed>(speed)));
        QCOMPARE(Text(m_driver->GetLastError()), u"Speed not supported by this device"_s);
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed400k);
        QVERIFY(m_adapterB->GetSpecialReports().empty());
    }

    void setSpeedKeepsThePullUpBit()
    {
        QVERIFY(m_driver->SetPullUpsEnabled(false));
        connectDriver();
        QVERIFY(m_driver->SetSpeed(EI2cSpeed::Speed400k));
        QCOMPARE(ReportLines(m_adapterB->GetSpecialReports()), Expected({"01 00 00", "01 01 81"}));
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed400k);
    }

    void switchingPullUpsWhileConnected()
    {
        connectDriver(EI2cSpeed::Speed50k);
        QVERIFY(m_driver->SetPullUpsEnabled(true)); // unchanged: nothing to send
        QVERIFY(m_adapterB->GetSpecialReports().empty());
        QVERIFY(m_driver->SetPullUpsEnabled(false));
        QVERIFY(!m_driver->GetPullUpsEnabled());
        QVERIFY(m_driver->SetPullUpsEnabled(true));
        QCOMPARE(ReportLines(m_adapterB->GetSpecialReports()),
                 Expected({"01 00 00", "01 01 82", "01 00 00", "01 01 02"}));
        QCOMPARE(m_driver->GetSpeed(), EI2cSpeed::Speed50k);
    }

    void failedPullUpSwitchRestoresTheSetting()
    {
        connectDriver();
        m_adapterB->Unplug();
        QVERIFY(!m_driver->SetPullUpsEnabled(false));
        QVERIFY(!m_driver->GetLastError().empty());
        QVERIFY(m_driver->GetPullUpsEnabled());
    }

    void addressOnlyWriteIsRefusedWithoutAReport()
    {
        connectDriver();
        SI2cWriteResult result{0x12, 0x34};
        QVERIFY(!m_driver->Write({SLAVE << 1}, result, true, true));
        QCOMPARE(Text(m_driver->GetLastError()),
                 u"Address-only write is not supported by the VantrelB"_s);
        QCOMPARE(result.status, std::uint8_t(0));
        QCOMPARE(result.errorCode, std::uint8_t(0));
        QVERIFY(m_adapterB->GetSpecialReports().empty());

        // The guard is for the address alone with start and stop; the rest goes out.
        QVERIFY(m_driver->Write({SLAVE << 1}, result, true, false));
        QVERIFY(m_driver->Write({SLAVE << 1, 0x01}, result, true, true));
        QCOMPARE(ReportLines(m_adapterB->GetSpecialReports()),
                 Expected({"02 81 A0", "02 C2 A0 01"}));
    }

    void readRequestHasOneCountByte_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("request");
        QTest::newRow("1") << 1 << u"03 01 A1"_s;
        QTest::newRow("255") << 255 << u"03 FF A1"_s;
        QTest::newRow("256 as 0") << 256 << u"03 00 A1"_s;
    }

    void readRequestHasOneCountByte()
    {
        QFETCH(int, count);
        QFETCH(QString, request);
        connectDriver();
        SI2cReadResult result;
        QVERIFY2(m_driver->Read(SLAVE, quint64(count), result), m_driver->GetLastError().c_str());
        QCOMPARE(result.data.size(), std::size_t(count));
        QVERIFY(result.data == Sequence(std::size_t(count)));
        QCOMPARE(ReportLines(m_adapterB->GetSpecialReports()),
                 Expected({request.toLatin1().constData()}));
    }

    void readOf257IsRefused()
    {
        connectDriver();
        SI2cReadResult result;
        QVERIFY(!m_driver->Read(SLAVE, 257, result));
        QCOMPARE(Text(m_driver->GetLastError()),
                 u"Invalid read count, this device reads 1..256 bytes"_s);
        QVERIFY(m_adapterB->GetSpecialReports().empty());
    }

    void probeReadsOneByte()
    {
        connectDriver();
        QVERIFY(m_driver->Probe(SLAVE));
        QVERIFY(!m_driver->Probe(0x23));
        QCOMPARE(Text(m_driver->GetLastError()), u"NACK received"_s);
        QCOMPARE(ReportLines(m_adapterB->GetSpecialReports()), Expected({"03 01 A1", "03 01 47"}));
    }

    void modelAHasNoPullUpSwitch()
    {
        CVtlAi2c driver;
        QVERIFY(!driver.HasPullUpSwitch());
        QVERIFY(driver.GetPullUpsEnabled());
        QVERIFY(driver.Connect(SERIAL_A, EI2cSpeed::Speed100k));
        m_adapterA->ClearReports();
        QVERIFY(driver.SetPullUpsEnabled(true));
        QVERIFY(!driver.SetPullUpsEnabled(false));
        QCOMPARE(Text(driver.GetLastError()), u"Pull-ups can not be switched on this device"_s);
        QVERIFY(driver.GetPullUpsEnabled());
        QVERIFY(m_adapterA->GetSpecialReports().empty());
        // Model A puts the address byte alone on the bus.
        SI2cWriteResult result;
        driver.Write({SLAVE << 1}, result, true, true);
        QCOMPARE(ReportLines(m_adapterA->GetSpecialReports()), Expected({"02 C1 A0"}));
    }
};

VTL_TEST_MAIN(TestCVtlBi2c)
#include "tst_CVtlBi2c.moc"
