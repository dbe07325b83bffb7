// SPDX-License-Identifier: MIT
// Progress and cancellation of driver transfers: what goes on the wire, what the result
// keeps, and that the adapter serves the next transaction with its own data.
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
        const std::size_t done = progress.empty() ? 0 : progress.back().first;
        return done >= cancelAtDone || ++asks >= cancelFromAsk;
    }
};

} // namespace

class TestCVtlI2cCancel : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CVtlI2c> m_driver;
    CScriptedObserver m_observer;

    void attach(ESimModel model)
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(model, L"X-3003");
        m_adapter->AddSlave(SLAVE, std::make_shared<CRecordingSlave>());
        m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>())->SetContents(0, {0x11, 0x22});
        m_driver = model == ESimModel::B ? std::unique_ptr<CVtlI2c>(new CVtlBi2c)
                                         : std::unique_ptr<CVtlI2c>(new CVtlAi2c);
        QVERIFY(m_driver->Connect(L"X-3003", EI2cSpeed::Speed400k));
        m_adapter->ClearReports();
        m_observer = CScriptedObserver();
        m_driver->SetTransferObserver(&m_observer);
    }

    // After a cancel, a register read of the EEPROM must get its own bytes.
    void nextTransactionIsClean()
    {
        m_driver->SetTransferObserver(nullptr);
        SI2cWriteResult written;
        QVERIFY(m_driver->Write({EEPROM << 1, 0x00}, written, true, false));
        SI2cReadResult read;
        QVERIFY2(m_driver->Read(EEPROM, 2, read), m_driver->GetLastError().c_str());
        QCOMPARE(read.data, std::vector<unsigned char>({0x11, 0x22}));
    }

private Q_SLOTS:
    void cleanup()
    {
        m_driver.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void progressFollowsEveryReport_data()
    {
        QTest::addColumn<bool>("isRead");
        QTest::addColumn<int>("size");
        QTest::addColumn<Progress>("expected");
        QTest::newRow("write 130") << false << 130 << Progress{{62, 130}, {124, 130}, {130, 130}};
        QTest::newRow("read 100") << true << 100 << Progress{{62, 100}, {100, 100}};
    }

    void progressFollowsEveryReport()
    {
        QFETCH(bool, isRead);
        QFETCH(int, size);
        QFETCH(Progress, expected);
        attach(ESimModel::A);
        if (isRead) {
            SI2cReadResult result;
            QVERIFY(m_driver->Read(SLAVE, static_cast<unsigned long long>(size), result));
        } else {
            SI2cWriteResult result;
            QVERIFY(m_driver->Write(Sequence(std::size_t(size), 0xA0), result, true, true));
        }
        QCOMPARE(m_observer.progress, expected);
    }

    // The transfer stops at the report after the cancel, sends the configuration again so
    // the adapter drops the rest, and keeps what arrived.
    void cancelBetweenReports_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<bool>("isRead");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("framePeriodUs");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<int>("kept");
        QTest::newRow("write after one chunk") << int(ESimModel::A) << false << 200 << 0
                                               << QStringList{u"(write)"_s, u"01 01 01"_s} << 0;
        QTest::newRow("read, replies at once")
            << int(ESimModel::A) << true << 3000 << 0
            << QStringList{u"03 B8 A1 0B"_s, u"01 01 01"_s} << 124;
        // Most replies are still under way when the read is cancelled.
        QTest::newRow("read, 1 ms frames") << int(ESimModel::A) << true << 3000 << 1000
                                           << QStringList{u"03 B8 A1 0B"_s, u"01 01 01"_s} << 124;
        QTest::newRow("read, model B's configuration pair")
            << int(ESimModel::B) << true << 256 << 0
            << QStringList{u"03 00 A1"_s, u"01"_s, u"01 01 01"_s} << 124;
    }

    void cancelBetweenReports()
    {
        QFETCH(int, model);
        QFETCH(bool, isRead);
        QFETCH(int, size);
        QFETCH(int, framePeriodUs);
        QFETCH(QStringList, reports);
        QFETCH(int, kept);
        attach(static_cast<ESimModel>(model));
        m_adapter->SetFramePeriod(std::chrono::microseconds(framePeriodUs));
        m_observer.cancelAtDone = isRead ? 124 : 62;
        if (isRead) {
            SI2cReadResult result;
            QVERIFY(!m_driver->Read(SLAVE, static_cast<unsigned long long>(size), result));
            QCOMPARE(result.data, Sequence(std::size_t(kept)));
        } else {
            SI2cWriteResult result;
            QVERIFY(!m_driver->Write(Sequence(std::size_t(size), 0xA0), result, true, true));
        }
        QCOMPARE(QString::fromStdString(m_driver->GetLastError()), u"Cancelled"_s);
        QStringList sent = ReportLines(m_adapter->GetSpecialReports());
        if (!isRead) {
            // One chunk with the start bit and no second one.
            QVERIFY(sent.first().startsWith(u"02 BE A0 A1"_s));
            sent.first() = u"(write)"_s;
        }
        QCOMPARE(sent, reports);
        QVERIFY(!m_adapter->IsTransactionOpen());
        nextTransactionIsClean();
    }

    void cancelBeforeTheFirstReportSendsNothing()
    {
        attach(ESimModel::A);
        m_observer.cancelFromAsk = 1;
        SI2cReadResult read;
        read.data = {1, 2, 3};
        QVERIFY(!m_driver->Read(SLAVE, 10, read));
        QVERIFY(read.data.empty());
        SI2cWriteResult written{0x55, 0x66};
        QVERIFY(!m_driver->Write({0xA0, 0x01}, written, true, true));
        QCOMPARE(written.status, std::uint8_t(0));
        QCOMPARE(QString::fromStdString(m_driver->GetLastError()), u"Cancelled"_s);
        QVERIFY(m_adapter->GetSpecialReports().empty());
    }

    // The reply never comes; the wait is cut short by the cancel, not by the time-out,
    // while a device failure is never taken for a cancel.
    void waitsAreCutShortByACancelOnly()
    {
        attach(ESimModel::A);
        m_adapter->DropReplies(1);
        m_observer.cancelFromAsk = 2;
        SI2cReadResult result;
        QVERIFY(!m_driver->Read(SLAVE, 8, result));
        QCOMPARE(QString::fromStdString(m_driver->GetLastError()), u"Cancelled"_s);
        nextTransactionIsClean();

        m_driver->SetTransferObserver(&m_observer);
        m_observer = CScriptedObserver();
        m_adapter->Unplug();
        QVERIFY(!m_driver->Read(SLAVE, 8, result));
        const QString error = QString::fromStdString(m_driver->GetLastError());
        QVERIFY(!error.isEmpty() && error != u"Cancelled"_s);
    }
};

VTL_TEST_MAIN(TestCVtlI2cCancel)
#include "tst_CVtlI2cCancel.moc"
