// SPDX-License-Identifier: MIT
// The bus session without any widget: one queue for every client in priority order, a
// job's end that speaks for that job alone, cancel before and during the bus work, the
// blocking run, the loss reported once, and a session destroyed under a running job.
#include "CBusSession.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CTransactionControl.h"
#include "ReportLines.h"
#include "VtlTestMain.h"

#include <QSignalSpy>
#include <QtTest>

#include <chrono>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;
const std::wstring SERIAL = L"S-1901";

STransactionRequest Write(unsigned char byte)
{
    return STransactionRequest::Write(EEPROM, {0x00, byte});
}

// The data byte of every write report the adapter received after the first `skip` reports,
// in wire order.
QStringList WrittenBytes(const std::shared_ptr<CSimAdapter> &adapter, qsizetype skip)
{
    QStringList bytes;
    for (const QString &line : ReportLines(adapter->GetSpecialReports()).mid(skip)) {
        if (line.startsWith(u"02 "_s))
            bytes << line.section(u' ', 4, 4);
    }
    return bytes;
}

} // namespace

class TestBusSession : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void queueServesPrioritiesInOrder();
    void jobEndsAreTheirOwn();
    void cancelQueuedAndRunning();
    void blockingRunNeedsNoEventLoop();
    void lossIsReportedOnce();
    void destroyedWhileRunning();

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CBusSession> m_session;
    qsizetype m_connectReports = 0;
};

void TestBusSession::init()
{
    CSimBus::Instance().Reset();
    m_adapter = CSimBus::Instance().Attach(ESimModel::A, SERIAL);
    m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
    m_adapter->SetFramePeriod(std::chrono::milliseconds(0));
    m_session = std::make_unique<CBusSession>();
    QVERIFY(m_session->Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed400k));
    QCOMPARE(m_session->Info().serial, SERIAL);
    m_connectReports = qsizetype(m_adapter->GetSpecialReports().size());
}

void TestBusSession::queueServesPrioritiesInOrder()
{
    // The first job takes the bus at once; the rest wait and are served by priority, the
    // jobs of one priority in the order they came.
    std::vector<std::shared_ptr<CBusJob>> jobs{
        m_session->Start(Write(0x01), EBusPriority::Background),
        m_session->Start(Write(0x02), EBusPriority::Background),
        m_session->Start(Write(0x03), EBusPriority::Normal),
        m_session->Start(Write(0x04), EBusPriority::User),
        m_session->Start(Write(0x05), EBusPriority::Normal),
        m_session->Start(Write(0x06), EBusPriority::User),
    };
    m_session->Wait(jobs.at(1));
    for (const auto &job : jobs)
        m_session->Wait(job);
    QCOMPARE(WrittenBytes(m_adapter, m_connectReports),
             QStringList({u"01"_s, u"04"_s, u"06"_s, u"03"_s, u"05"_s, u"02"_s}));
    for (const auto &job : jobs)
        QVERIFY(job->Record()->ok);
}

void TestBusSession::jobEndsAreTheirOwn()
{
    // The first job ends before anyone waits with an event loop: its end is still queued
    // when the second job's waiter spins one, and must not end that wait.
    const auto first = m_session->Start(Write(0x11), EBusPriority::User);
    QSignalSpy firstEnds(first.get(), &CBusJob::finished);
    m_session->Wait(first);
    const auto second = m_session->Start(STransactionRequest::Read(EEPROM, 4), EBusPriority::User);
    QSignalSpy secondEnds(second.get(), &CBusJob::finished);
    QSignalSpy secondRecords(second.get(), &CBusJob::transactionDone);
    QVERIFY(secondEnds.wait(5000));
    QCOMPARE(firstEnds.count(), 1);
    QCOMPARE(secondEnds.count(), 1);
    QCOMPARE(secondRecords.count(), 1);
    QVERIFY(second->Record()->ok);
    QCOMPARE(second->Record()->read.data.size(), std::size_t(4));
    QCOMPARE(WrittenBytes(m_adapter, m_connectReports), QStringList({u"11"_s}));
}

void TestBusSession::cancelQueuedAndRunning()
{
    m_adapter->SetFramePeriod(std::chrono::milliseconds(1));
    const auto running = m_session->Start(STransactionRequest::Read(EEPROM, 65535));
    const auto queued = m_session->Start(Write(0x21), EBusPriority::User);
    QSignalSpy queuedEnds(queued.get(), &CBusJob::finished);
    queued->Cancel();
    QCOMPARE(queuedEnds.count(), 1);
    QVERIFY(queued->Record()->cancelled);
    QCOMPARE(queued->Record()->lastError, std::string("Cancelled"));

    QSignalSpy progress(running.get(), &CBusJob::progressChanged);
    QVERIFY(progress.wait(5000));
    running->Cancel();
    QSignalSpy runningEnds(running.get(), &CBusJob::finished);
    QVERIFY(runningEnds.wait(5000));
    QVERIFY(running->Record()->cancelled);
    QVERIFY(running->Record()->read.data.size() < 65535);
    QVERIFY(!running->IsAdapterLost());
    QVERIFY(m_session->IsConnected());
    // The cancelled write never reached the bus, and the bus serves the next job.
    QVERIFY(m_session->Run(Write(0x22)).ok);
    QCOMPARE(WrittenBytes(m_adapter, m_connectReports), QStringList({u"22"_s}));
}

void TestBusSession::blockingRunNeedsNoEventLoop()
{
    std::vector<std::uint64_t> heard;
    const CTransactionControl control(
        [&heard](std::uint64_t done, std::uint64_t) { heard.push_back(done); });
    const STransactionRecord read =
        m_session->Run(STransactionRequest::Read(EEPROM, 100), &control);
    QVERIFY(read.ok);
    QCOMPARE(heard, std::vector<std::uint64_t>({62, 100}));

    std::vector<STransactionRecord> records;
    const SBusProcedureResult result = m_session->RunProcedure(
        [](CBusContext &context) {
            SBusProcedureResult outcome;
            for (unsigned char byte : {0x31, 0x32})
                outcome.ok = outcome.ok && context.Execute(Write(byte)).ok;
            return outcome;
        },
        nullptr, &records);
    QVERIFY(result.ok);
    QCOMPARE(records.size(), std::size_t(2));
    QCOMPARE(WrittenBytes(m_adapter, m_connectReports), QStringList({u"31"_s, u"32"_s}));
}

void TestBusSession::lossIsReportedOnce()
{
    QSignalSpy losses(m_session.get(), &CBusSession::connectionLost);
    // Unplugged before the jobs start, so the worker cannot finish the first one while the
    // cable is still in.
    m_adapter->Unplug();
    const auto failing = m_session->Start(Write(0x41), EBusPriority::User);
    const auto behind = m_session->Start(Write(0x42), EBusPriority::Background);
    m_session->Wait(failing);
    QVERIFY(failing->IsAdapterLost());
    QVERIFY(behind->IsFinished());
    QVERIFY(!behind->Record()->ok);
    QVERIFY(!m_session->IsConnected());
    // Neither the presence rule nor a later job reports the same loss again.
    m_session->CheckPresence();
    QVERIFY(!m_session->Run(Write(0x43)).ok);
    QCoreApplication::processEvents();
    QCOMPARE(losses.count(), 1);
}

void TestBusSession::destroyedWhileRunning()
{
    m_adapter->SetFramePeriod(std::chrono::milliseconds(1));
    const auto running = m_session->Start(STransactionRequest::Read(EEPROM, 65535));
    const auto queued = m_session->Start(Write(0x51));
    QSignalSpy progress(running.get(), &CBusJob::progressChanged);
    QVERIFY(progress.wait(5000));
    m_session.reset();
    QVERIFY(running->IsFinished());
    QVERIFY(running->Record()->cancelled);
    QVERIFY(queued->Record()->cancelled);
    // Releasing the driver switched the adapter's I2C function off.
    QCOMPARE(ReportLines(m_adapter->GetSpecialReports()).last(), u"01"_s);
}

VTL_TEST_MAIN(TestBusSession)
#include "tst_busSession.moc"
