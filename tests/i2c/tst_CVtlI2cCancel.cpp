// SPDX-License-Identifier: MIT
// Progress and cancellation of driver transfers, as the transaction layer uses them
// from its worker thread: what goes on the wire, what the result keeps, and that the
// adapter serves the next transaction with its own data.
#include "CSimEeprom.h"
#include "CVtlAi2c.h"
#include "CVtlBi2c.h"
#include "DriverTestSupport.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <chrono>
#include <climits>
#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const std::wstring SERIAL = L"A-3003";
constexpr std::uint8_t SLAVE = 0x50;
constexpr std::uint8_t EEPROM = 0x51;

using Progress = std::vector<std::pair<std::size_t, std::size_t>>;

// Records the progress and asks to stop once a given number of bytes is done, or from
// a given question on.
class CScriptedObserver : public CVtlTransferObserver
{
public:
    Progress progress;
    std::size_t cancelAtDone = SIZE_MAX;
    int cancelFromAsk = INT_MAX;
    mutable int asks = 0;

    void OnProgress(std::size_t done, std::size_t total) override
    {
        progress.emplace_back(done, total);
    }
    bool IsCancelRequested() const override
    {
        ++asks;
        const std::size_t done = progress.empty() ? 0 : progress.back().first;
        return done >= cancelAtDone || asks >= cancelFromAsk;
    }
};

QString Text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

class TestCVtlI2cCancel : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CRecordingSlave> m_slave;
    std::shared_ptr<CSimEeprom> m_eeprom;
    std::unique_ptr<CVtlAi2c> m_driver;
    CScriptedObserver m_observer;

    // The EEPROM's first bytes, read back from address 0 as a register read does.
    std::vector<unsigned char> readEepromStart(std::size_t count)
    {
        SI2cWriteResult written;
        if (!m_driver->Write({EEPROM << 1, 0x00}, written, true, false))
            return {};
        SI2cReadResult read;
        m_driver->Read(EEPROM, count, read);
        return read.data;
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, SERIAL);
        m_slave = m_adapter->AddSlave(SLAVE, std::make_shared<CRecordingSlave>());
        m_eeprom = m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        m_eeprom->SetContents(0, {0x11, 0x22, 0x33, 0x44});
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(SERIAL, EI2cSpeed::Speed100k));
        m_adapter->ClearReports();
        m_observer = CScriptedObserver();
        m_driver->SetTransferObserver(&m_observer);
    }

    void cleanup()
    {
        m_driver.reset();
        m_slave.reset();
        m_eeprom.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void progressFollowsEveryReport_data()
    {
        QTest::addColumn<bool>("isRead");
        QTest::addColumn<int>("size");
        QTest::addColumn<Progress>("expected");
        QTest::newRow("write 130") << false << 130 << Progress{{62, 130}, {124, 130}, {130, 130}};
        QTest::newRow("write 1") << false << 1 << Progress{{1, 1}};
        QTest::newRow("read 100") << true << 100 << Progress{{62, 100}, {100, 100}};
        QTest::newRow("read 124") << true << 124 << Progress{{62, 124}, {124, 124}};
    }

    void progressFollowsEveryReport()
    {
        QFETCH(bool, isRead);
        QFETCH(int, size);
        QFETCH(Progress, expected);
        if (isRead) {
            SI2cReadResult result;
            QVERIFY(m_driver->Read(SLAVE, static_cast<unsigned long long>(size), result));
        } else {
            SI2cWriteResult result;
            QVERIFY(m_driver->Write(Sequence(static_cast<std::size_t>(size), 0xA0), result, true,
                                    true));
        }
        QCOMPARE(m_observer.progress, expected);
    }

    void cancelledWriteStopsBetweenChunksAndReleasesTheBus()
    {
        m_observer.cancelAtDone = 62;
        SI2cWriteResult result;
        QVERIFY(!m_driver->Write(Sequence(200, 0xA0), result, true, true));
        QCOMPARE(Text(m_driver->GetLastError()), u"Cancelled"_s);
        // One chunk, then the configuration again (the abort); no second chunk.
        const QStringList reports = ReportLines(m_adapter->GetSpecialReports());
        QCOMPARE(reports.size(), 2);
        QVERIFY(reports[0].startsWith(u"02 BE A0 A1"_s));
        QCOMPARE(reports[1], u"01 01"_s);
        QVERIFY(!m_adapter->IsTransactionOpen());
        QCOMPARE(m_slave->received.size(), std::size_t(61));
        QCOMPARE(result.status, std::uint8_t(0));
    }

    void cancelBeforeTheFirstReportSendsNothing_data()
    {
        QTest::addColumn<bool>("isRead");
        QTest::newRow("write") << false;
        QTest::newRow("read") << true;
    }

    void cancelBeforeTheFirstReportSendsNothing()
    {
        QFETCH(bool, isRead);
        m_observer.cancelFromAsk = 1;
        if (isRead) {
            SI2cReadResult result;
            result.data = {1, 2, 3};
            QVERIFY(!m_driver->Read(SLAVE, 10, result));
            QVERIFY(result.data.empty());
        } else {
            SI2cWriteResult result{0x55, 0x66};
            QVERIFY(!m_driver->Write({0xA0, 0x01}, result, true, true));
            QCOMPARE(result.status, std::uint8_t(0));
            QCOMPARE(result.errorCode, std::uint8_t(0));
        }
        QCOMPARE(Text(m_driver->GetLastError()), u"Cancelled"_s);
        QVERIFY(m_adapter->GetSpecialReports().empty());
    }

    void cancelledReadKeepsWhatArrived_data()
    {
        QTest::addColumn<int>("framePeriodUs");
        QTest::newRow("replies at once") << 0;
        // Most replies are still under way when the read is cancelled.
        QTest::newRow("1 ms frames") << 1000;
    }

    void cancelledReadKeepsWhatArrived()
    {
        QFETCH(int, framePeriodUs);
        m_adapter->SetFramePeriod(std::chrono::microseconds(framePeriodUs));
        m_observer.cancelAtDone = 124;
        SI2cReadResult result;
        QVERIFY(!m_driver->Read(SLAVE, 3000, result));
        QCOMPARE(Text(m_driver->GetLastError()), u"Cancelled"_s);
        QCOMPARE(result.data, Sequence(124));
        QCOMPARE(result.status, std::uint8_t(62));
        const QStringList reports = ReportLines(m_adapter->GetSpecialReports());
        QCOMPARE(reports, QStringList({u"03 B8 A1 0B"_s, u"01 01"_s}));

        // The next transactions get their own replies, not the rest of the cancelled read.
        m_driver->SetTransferObserver(nullptr);
        QCOMPARE(readEepromStart(4), std::vector<unsigned char>({0x11, 0x22, 0x33, 0x44}));
        SI2cWriteResult written;
        QVERIFY(m_driver->Write({SLAVE << 1, 0x42}, written, true, true));
        QCOMPARE(m_slave->received.back(), std::uint8_t(0x42));
    }

    void cancelWhileAwaitingASilentAdapter()
    {
        // The reply never comes; the wait is cut short by the cancel instead of running
        // into the time-out.
        m_adapter->DropReplies(1);
        m_observer.cancelFromAsk = 2;
        SI2cReadResult result;
        QVERIFY(!m_driver->Read(SLAVE, 8, result));
        QCOMPARE(Text(m_driver->GetLastError()), u"Cancelled"_s);
        QVERIFY(result.data.empty());
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()).last(), u"01 01"_s);

        m_driver->SetTransferObserver(nullptr);
        QCOMPARE(readEepromStart(2), std::vector<unsigned char>({0x11, 0x22}));
    }

    void deviceErrorsAreNotTakenForCancels()
    {
        m_observer.cancelFromAsk = INT_MAX;
        m_adapter->Unplug();
        SI2cReadResult result;
        QVERIFY(!m_driver->Read(SLAVE, 8, result));
        const QString error = Text(m_driver->GetLastError());
        QVERIFY(error != u"Cancelled"_s);
        QVERIFY(!error.isEmpty());
    }

    void modelBAbortSendsItsConfigurationPair()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"B-3004");
        adapter->AddSlave(SLAVE, std::make_shared<CRecordingSlave>());
        CVtlBi2c driver;
        QVERIFY(driver.SetPullUpsEnabled(false));
        QVERIFY(driver.Connect(L"B-3004", EI2cSpeed::Speed400k));
        adapter->ClearReports();
        CScriptedObserver observer;
        observer.cancelAtDone = 62;
        driver.SetTransferObserver(&observer);
        SI2cReadResult result;
        QVERIFY(!driver.Read(SLAVE, 256, result));
        QCOMPARE(Text(driver.GetLastError()), u"Cancelled"_s);
        QCOMPARE(result.data.size(), std::size_t(62));
        QCOMPARE(ReportLines(adapter->GetSpecialReports()),
                 QStringList({u"03 00 A1"_s, u"01"_s, u"01 01 81"_s}));
        QCOMPARE(driver.GetSpeed(), EI2cSpeed::Speed400k);
    }
};

VTL_TEST_MAIN(TestCVtlI2cCancel)
#include "tst_CVtlI2cCancel.moc"
