// SPDX-License-Identifier: MIT
// The transaction layer on the simulated adapters, without any widget: what each kind of
// request puts on the wire and what its record holds, the search with its progress and
// cancel.
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

} // namespace

Q_DECLARE_METATYPE(STransactionRequest)

class TestTransactions : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CVtlI2c> m_driver;

    void attach(ESimModel model)
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(model, L"T-4004");
        auto eeprom = m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        Bytes contents(256);
        for (std::size_t i = 0; i < contents.size(); ++i)
            contents[i] = static_cast<unsigned char>(i);
        eeprom->SetContents(0, contents);
        m_adapter->AddSlave(SECOND_EEPROM, std::make_shared<CSimEeprom>());
        m_driver = model == ESimModel::B ? std::unique_ptr<CVtlI2c>(new CVtlBi2c)
                                         : std::unique_ptr<CVtlI2c>(new CVtlAi2c);
        QVERIFY(m_driver->Connect(L"T-4004", EI2cSpeed::Speed100k));
        m_adapter->ClearReports();
    }

private Q_SLOTS:
    void cleanup()
    {
        m_driver.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void requestsOnTheWire_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<STransactionRequest>("request");
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QString>("error");
        QTest::addColumn<Bytes>("read");
        const int a = int(ESimModel::A);
        QTest::newRow("write with start and stop")
            << a << STransactionRequest::Write(EEPROM, {0x10, 0xAB})
            << QStringList{u"02 C3 A0 10 AB"_s} << QString() << Bytes();
        QTest::newRow("write, start only")
            << a << STransactionRequest::Write(EEPROM, {0x10}, true, false)
            << QStringList{u"02 82 A0 10"_s} << QString() << Bytes();
        // Without a start the address byte is not sent; the adapter refuses such a write.
        QTest::newRow("write without start")
            << a << STransactionRequest::Write(EEPROM, {0x10}, false, true)
            << QStringList{u"02 41 10"_s} << u"Transaction without start"_s << Bytes();
        QTest::newRow("read") << a << STransactionRequest::Read(EEPROM, 4)
                              << QStringList{u"03 04 A1"_s} << QString() << Bytes{0, 1, 2, 3};
        QTest::newRow("write/read")
            << a << STransactionRequest::WriteRead(EEPROM, {0x10}, 4)
            << QStringList{u"02 82 A0 10"_s, u"03 04 A1"_s} << QString() << Bytes{16, 17, 18, 19};
        // A refused write part sends no read.
        QTest::newRow("write/read to a silent address")
            << a << STransactionRequest::WriteRead(0x33, {0x10}, 4) << QStringList{u"02 82 66 10"_s}
            << u"NACK received"_s << Bytes();
        // A count the model refuses sends not even the write part, which would leave the
        // transaction open.
        QTest::newRow("write/read beyond model B's count")
            << int(ESimModel::B) << STransactionRequest::WriteRead(EEPROM, {0x00}, 257)
            << QStringList() << u"Invalid read count, this device reads 1..256 bytes"_s << Bytes();
    }

    void requestsOnTheWire()
    {
        QFETCH(int, model);
        QFETCH(STransactionRequest, request);
        QFETCH(QStringList, reports);
        QFETCH(QString, error);
        QFETCH(Bytes, read);
        attach(static_cast<ESimModel>(model));

        const std::int64_t before = NowMs();
        const STransactionRecord record = CTransactionExecutor::Execute(*m_driver, request);
        const std::int64_t after = NowMs();

        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), reports);
        QCOMPARE(record.ok, error.isEmpty());
        QVERIFY(!record.cancelled);
        QCOMPARE(QString::fromStdString(record.lastError), error);
        QCOMPARE(record.read.data, read);
        QCOMPARE(record.request.kind, request.kind);
        QCOMPARE(record.request.data, request.data);
        QVERIFY(record.startedMs >= before && record.startedMs <= after);
        QVERIFY(record.durationUs >= 0 && record.durationUs <= (after - before + 1) * 1000);
    }

    // Probes are counted as progress; a cancel ends the search at the next probe and
    // keeps what it found.
    void search_data()
    {
        QTest::addColumn<int>("cancelAfter");
        QTest::addColumn<std::vector<std::uint8_t>>("found");
        QTest::newRow("whole") << 0 << std::vector<std::uint8_t>{EEPROM, SECOND_EEPROM};
        QTest::newRow("cancelled at 0x50")
            << (EEPROM - 0x08 + 1) << std::vector<std::uint8_t>{EEPROM};
    }

    void search()
    {
        QFETCH(int, cancelAfter);
        QFETCH(std::vector<std::uint8_t>, found);
        attach(ESimModel::A);
        Progress progress;
        CTransactionControl *self = nullptr;
        CTransactionControl control([&](std::uint64_t done, std::uint64_t total) {
            progress.emplace_back(done, total);
            if (int(done) == cancelAfter)
                self->RequestCancel();
        });
        self = &control;
        const STransactionRecord record =
            CTransactionExecutor::Execute(*m_driver, STransactionRequest::Search(), &control);
        const std::size_t probes = cancelAfter > 0 ? std::size_t(cancelAfter) : 112;
        QCOMPARE(record.found, found);
        QCOMPARE(record.probesDone, probes);
        QCOMPARE(record.cancelled, cancelAfter > 0);
        QCOMPARE(record.ok, cancelAfter == 0);
        QCOMPARE(m_adapter->GetSpecialReports().size(), probes);
        QCOMPARE(progress.size(), probes);
        QCOMPARE(progress.back(), std::make_pair(std::uint64_t(probes), std::uint64_t(112)));
    }

    void searchStopsWhenTheAdapterStopsAnswering()
    {
        attach(ESimModel::A);
        m_adapter->DropReplies(1000);
        const STransactionRecord record =
            CTransactionExecutor::Execute(*m_driver, STransactionRequest::Search());
        QVERIFY(!record.ok);
        QCOMPARE(record.probesDone, std::size_t(1));
        QCOMPARE(record.lastError,
                 std::string("The adapter stopped answering (Timeout) at address 0x08; the "
                             "search stopped there"));
        QCOMPARE(m_adapter->GetSpecialReports().size(), std::size_t(1));
    }

    void progressOfAWriteReadCountsBothParts()
    {
        attach(ESimModel::A);
        Progress progress;
        const CTransactionControl control(
            [&](std::uint64_t done, std::uint64_t total) { progress.emplace_back(done, total); });
        QVERIFY(
            CTransactionExecutor::Execute(
                *m_driver, STransactionRequest::WriteRead(EEPROM, Bytes(70, 0x00), 100), &control)
                .ok);
        // 71 wire bytes in two chunks, then 100 bytes in two replies.
        QCOMPARE(progress, Progress({{62, 171}, {71, 171}, {133, 171}, {171, 171}}));
        // Once over, the caller's cancel no longer reaches the driver.
        CTransactionControl later;
        QVERIFY(
            CTransactionExecutor::Execute(*m_driver, STransactionRequest::Read(EEPROM, 8), &later)
                .ok);
        later.RequestCancel();
        SI2cReadResult result;
        QVERIFY(m_driver->Read(EEPROM, 8, result));
    }
};

VTL_TEST_MAIN(TestTransactions)
#include "tst_transactions.moc"
