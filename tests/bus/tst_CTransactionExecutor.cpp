// SPDX-License-Identifier: MIT
// The records of the transaction layer on the simulated adapters, without any widget:
// what each kind of request puts on the wire, what its record holds, its progress and
// its cancellation.
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CTransactionControl.h"
#include "CTransactionExecutor.h"
#include "CVtlAi2c.h"
#include "CVtlBi2c.h"
#include "ReportLines.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <chrono>
#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

using Bytes = std::vector<unsigned char>;
using Progress = std::vector<std::pair<std::uint64_t, std::uint64_t>>;

constexpr std::uint8_t EEPROM = 0x50;
constexpr std::uint8_t SECOND_EEPROM = 0x57;

std::int64_t NowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

Bytes Counting(std::size_t count, unsigned char first)
{
    Bytes bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(first + i);
    return bytes;
}

} // namespace

class TestCTransactionExecutor : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CSimEeprom> m_eeprom;
    std::unique_ptr<CVtlAi2c> m_driver;

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-4004");
        m_eeprom = m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        m_eeprom->SetContents(0, Counting(256, 0));
        m_adapter->AddSlave(SECOND_EEPROM, std::make_shared<CSimEeprom>());
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(L"A-4004", EI2cSpeed::Speed100k));
        m_adapter->ClearReports();
    }

    void cleanup()
    {
        m_driver.reset();
        m_eeprom.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void requestsOnTheWire_data()
    {
        QTest::addColumn<STransactionRequest>("request");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("error");

        QTest::newRow("write with start and stop")
            << STransactionRequest::Write(EEPROM, {0x10, 0xAB}) << QStringList{u"02 C3 A0 10 AB"_s}
            << true << QString();
        QTest::newRow("write, start only")
            << STransactionRequest::Write(EEPROM, {0x10}, true, false)
            << QStringList{u"02 82 A0 10"_s} << true << QString();
        // Without a start the address byte is not sent; the adapter refuses such a start.
        QTest::newRow("write without start")
            << STransactionRequest::Write(EEPROM, {0x10}, false, true) << QStringList{u"02 41 10"_s}
            << false << u"Transaction without start"_s;
        QTest::newRow("read") << STransactionRequest::Read(EEPROM, 4) << QStringList{u"03 04 A1"_s}
                              << true << QString();
        QTest::newRow("write/read")
            << STransactionRequest::WriteRead(EEPROM, {0x10}, 4)
            << QStringList{u"02 82 A0 10"_s, u"03 04 A1"_s} << true << QString();
        // A refused write part sends no read.
        QTest::newRow("write/read to a silent address")
            << STransactionRequest::WriteRead(0x33, {0x10}, 4) << QStringList{u"02 82 66 10"_s}
            << false << u"NACK received"_s;
        QTest::newRow("read count beyond the model")
            << STransactionRequest::Read(EEPROM, 70000) << QStringList() << false
            << u"Invalid read count, this device reads 1..65535 bytes"_s;
    }

    void requestsOnTheWire()
    {
        QFETCH(STransactionRequest, request);
        QFETCH(QStringList, reports);
        QFETCH(bool, ok);
        QFETCH(QString, error);

        const std::int64_t before = NowMs();
        const STransactionRecord record = CTransactionExecutor::Execute(*m_driver, request);
        const std::int64_t after = NowMs();

        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), reports);
        QCOMPARE(record.ok, ok);
        QVERIFY(!record.cancelled);
        QCOMPARE(QString::fromStdString(record.lastError), error);
        QCOMPARE(record.request.kind, request.kind);
        QCOMPARE(record.request.address, request.address);
        QCOMPARE(record.request.data, request.data);
        QCOMPARE(record.request.count, request.count);
        QVERIFY(record.startedMs >= before && record.startedMs <= after);
        QVERIFY(record.durationUs >= 0);
        QVERIFY(record.durationUs <= (after - before + 1) * 1000);
    }

    void writeReadReadsFromTheWrittenAddress()
    {
        const STransactionRecord record = CTransactionExecutor::Execute(
            *m_driver, STransactionRequest::WriteRead(EEPROM, {0x10}, 4));
        QVERIFY(record.ok);
        QVERIFY(record.readPartReached);
        QCOMPARE(record.read.data, Bytes({0x10, 0x11, 0x12, 0x13}));
        QCOMPARE(record.read.status, std::uint8_t(4));
        QCOMPARE(record.write.status, std::uint8_t(0));
    }

    void writeReadOnModelBKeepsItsReadLimit()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"B-4005");
        adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        CVtlBi2c driver;
        QVERIFY(driver.Connect(L"B-4005", EI2cSpeed::Speed100k));
        adapter->ClearReports();
        const STransactionRecord record = CTransactionExecutor::Execute(
            driver, STransactionRequest::WriteRead(EEPROM, {0x00}, 257));
        QVERIFY(!record.ok);
        QVERIFY(record.readPartReached);
        QCOMPARE(QString::fromStdString(record.lastError),
                 u"Invalid read count, this device reads 1..256 bytes"_s);
        // Nothing on the wire: the write part would open a transaction no read closes.
        QVERIFY(adapter->GetSpecialReports().empty());
    }

    void searchFindsTheAnsweringAddresses()
    {
        Progress progress;
        const CTransactionControl control(
            [&](std::uint64_t done, std::uint64_t total) { progress.emplace_back(done, total); });
        const STransactionRecord record =
            CTransactionExecutor::Execute(*m_driver, STransactionRequest::Search(), &control);
        QVERIFY(record.ok);
        QCOMPARE(record.found, std::vector<std::uint8_t>({EEPROM, SECOND_EEPROM}));
        QCOMPARE(record.probesDone, std::size_t(112));
        QCOMPARE(progress.size(), std::size_t(112));
        QCOMPARE(progress.front(), std::make_pair(std::uint64_t(1), std::uint64_t(112)));
        QCOMPARE(progress.back(), std::make_pair(std::uint64_t(112), std::uint64_t(112)));
        QCOMPARE(m_adapter->GetSpecialReports().size(), std::size_t(112));
    }

    void cancelledSearchKeepsWhatItFound()
    {
        CTransactionControl *self = nullptr;
        CTransactionControl control([&](std::uint64_t done, std::uint64_t) {
            if (done == 0x50 - 0x08 + 1)
                self->RequestCancel();
        });
        self = &control;
        const STransactionRecord record =
            CTransactionExecutor::Execute(*m_driver, STransactionRequest::Search(), &control);
        QVERIFY(!record.ok);
        QVERIFY(record.cancelled);
        QCOMPARE(QString::fromStdString(record.lastError), u"Cancelled"_s);
        QCOMPARE(record.found, std::vector<std::uint8_t>({EEPROM}));
        QCOMPARE(record.probesDone, std::size_t(0x50 - 0x08 + 1));
        QCOMPARE(m_adapter->GetSpecialReports().size(), record.probesDone);
    }

    void progressOfAWriteReadCountsBothParts()
    {
        Progress progress;
        const CTransactionControl control(
            [&](std::uint64_t done, std::uint64_t total) { progress.emplace_back(done, total); });
        const STransactionRecord record = CTransactionExecutor::Execute(
            *m_driver, STransactionRequest::WriteRead(EEPROM, Bytes(70, 0x00), 100), &control);
        QVERIFY2(record.ok, record.lastError.c_str());
        // 71 wire bytes in two chunks, then 100 bytes in two replies.
        QCOMPARE(progress, Progress({{62, 171}, {71, 171}, {133, 171}, {171, 171}}));
    }

    void cancelledReadKeepsItsBytesAndTheNextOneIsClean()
    {
        m_adapter->SetFramePeriod(std::chrono::milliseconds(1));
        CTransactionControl *self = nullptr;
        CTransactionControl control([&](std::uint64_t done, std::uint64_t) {
            if (done >= 186)
                self->RequestCancel();
        });
        self = &control;
        const STransactionRecord record = CTransactionExecutor::Execute(
            *m_driver, STransactionRequest::Read(EEPROM, 60000), &control);
        QVERIFY(record.cancelled);
        QVERIFY(!record.ok);
        QCOMPARE(QString::fromStdString(record.lastError), u"Cancelled"_s);
        QCOMPARE(record.read.data.size(), std::size_t(186));

        const STransactionRecord next = CTransactionExecutor::Execute(
            *m_driver, STransactionRequest::WriteRead(EEPROM, {0x20}, 3));
        QVERIFY(next.ok);
        QCOMPARE(next.read.data, Bytes({0x20, 0x21, 0x22}));
    }

    void aCancelRequestedBeforeTheStartSendsNothing()
    {
        CTransactionControl control;
        control.RequestCancel();
        const STransactionRecord record = CTransactionExecutor::Execute(
            *m_driver, STransactionRequest::Read(EEPROM, 8), &control);
        QVERIFY(record.cancelled);
        QVERIFY(m_adapter->GetSpecialReports().empty());
        control.Reset();
        QVERIFY(
            CTransactionExecutor::Execute(*m_driver, STransactionRequest::Read(EEPROM, 8), &control)
                .ok);
    }

    void theDriverIsLeftWithoutObserver()
    {
        // Once the transaction is over, the caller's cancel request no longer reaches
        // the driver: a direct call afterwards runs as it always has.
        CTransactionControl control;
        QVERIFY(
            CTransactionExecutor::Execute(*m_driver, STransactionRequest::Read(EEPROM, 8), &control)
                .ok);
        control.RequestCancel();
        SI2cReadResult result;
        QVERIFY2(m_driver->Read(EEPROM, 8, result), m_driver->GetLastError().c_str());
        SI2cWriteResult written;
        QVERIFY(m_driver->Write({EEPROM << 1, 0x00}, written, true, true));
    }
};

Q_DECLARE_METATYPE(STransactionRequest)

VTL_TEST_MAIN(TestCTransactionExecutor)
#include "tst_CTransactionExecutor.moc"
