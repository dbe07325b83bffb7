// SPDX-License-Identifier: MIT
// The worker thread of the transaction layer: one transaction at a time, its signals
// arriving in the caller's thread, cancellation from the caller, and a runner destroyed
// in the middle of a transfer.
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CTransactionRunner.h"
#include "CVtlAi2c.h"
#include "VtlTestMain.h"

#include <QSignalSpy>
#include <QThread>
#include <QtTest>

#include <chrono>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;

} // namespace

class TestCTransactionRunner : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CVtlAi2c> m_driver;

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-5005");
        auto eeprom = m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        eeprom->SetContents(0, {0xDE, 0xAD, 0xBE, 0xEF});
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(L"A-5005", EI2cSpeed::Speed100k));
    }

    void cleanup()
    {
        m_driver.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void oneTransactionAtATime()
    {
        CTransactionRunner runner;
        QSignalSpy finished(&runner, &CTransactionRunner::transactionFinished);
        QSignalSpy progress(&runner, &CTransactionRunner::progressChanged);
        m_adapter->SetFramePeriod(std::chrono::milliseconds(1));

        QVERIFY(runner.Start(*m_driver, STransactionRequest::Read(EEPROM, 200)));
        QVERIFY(runner.IsRunning());
        QVERIFY(!runner.Start(*m_driver, STransactionRequest::Read(EEPROM, 1)));
        QVERIFY(!runner.TakeRecord().has_value());
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.size(), 1);
        QVERIFY(!runner.IsRunning());

        const std::optional<STransactionRecord> record = runner.TakeRecord();
        QVERIFY(record.has_value());
        QVERIFY(record->ok);
        QCOMPARE(record->read.data.size(), std::size_t(200));
        QCOMPARE(record->read.data[3], std::uint8_t(0xEF));
        // A read at 1 ms frames takes time; its duration shows it.
        QVERIFY(record->durationUs > 0);
        QVERIFY(!runner.TakeRecord().has_value());

        // Progress arrived in this thread, in order, ending at the total.
        QCOMPARE(progress.size(), 4);
        QCOMPARE(progress.last().at(0).toULongLong(), 200ULL);
        QCOMPARE(progress.last().at(1).toULongLong(), 200ULL);
        QCOMPARE(progress.first().at(0).toULongLong(), 62ULL);

        // The same worker takes the next transaction; the records follow in time.
        QVERIFY(runner.Start(*m_driver, STransactionRequest::Write(EEPROM, {0x00})));
        runner.Wait();
        const std::optional<STransactionRecord> next = runner.TakeRecord();
        QVERIFY(next.has_value() && next->ok);
        QVERIFY(next->startedMs >= record->startedMs);
    }

    void cancelFromTheCallersThread()
    {
        m_adapter->SetFramePeriod(std::chrono::milliseconds(1));
        CTransactionRunner runner;
        QSignalSpy finished(&runner, &CTransactionRunner::transactionFinished);
        QSignalSpy progress(&runner, &CTransactionRunner::progressChanged);
        QVERIFY(runner.Start(*m_driver, STransactionRequest::Read(EEPROM, 65535)));
        QVERIFY(progress.wait(5000));
        runner.Cancel();
        QVERIFY(finished.wait(5000));

        const std::optional<STransactionRecord> record = runner.TakeRecord();
        QVERIFY(record.has_value());
        QVERIFY(record->cancelled);
        QCOMPARE(QString::fromStdString(record->lastError), u"Cancelled"_s);
        QVERIFY(!record->read.data.empty());
        QVERIFY(record->read.data.size() < 65535);

        // A new transaction is not born cancelled.
        QVERIFY(runner.Start(*m_driver, STransactionRequest::Read(EEPROM, 4)));
        runner.Wait();
        const std::optional<STransactionRecord> next = runner.TakeRecord();
        QVERIFY(next.has_value() && next->ok);
    }

    void cancelWithNothingRunningChangesNothing()
    {
        CTransactionRunner runner;
        runner.Cancel();
        QVERIFY(runner.Start(*m_driver, STransactionRequest::Read(EEPROM, 2)));
        runner.Wait();
        QVERIFY(runner.TakeRecord()->ok);
    }

    void destroyedDuringATransfer()
    {
        m_adapter->SetFramePeriod(std::chrono::milliseconds(1));
        auto runner = std::make_unique<CTransactionRunner>();
        QSignalSpy progress(runner.get(), &CTransactionRunner::progressChanged);
        QVERIFY(runner->Start(*m_driver, STransactionRequest::Read(EEPROM, 65535)));
        QVERIFY(progress.wait(5000));
        // Cancels, joins the worker; the driver is free for the next caller at once.
        runner.reset();
        SI2cReadResult result;
        QVERIFY2(m_driver->Read(EEPROM, 4, result), m_driver->GetLastError().c_str());
        QCOMPARE(result.data.size(), std::size_t(4));
    }

    void unplugEndsTheTransactionWithTheDeviceError()
    {
        m_adapter->SetFramePeriod(std::chrono::milliseconds(1));
        CTransactionRunner runner;
        QSignalSpy progress(&runner, &CTransactionRunner::progressChanged);
        QVERIFY(runner.Start(*m_driver, STransactionRequest::Read(EEPROM, 65535)));
        QVERIFY(progress.wait(5000));
        m_adapter->Unplug();
        runner.Wait();
        const std::optional<STransactionRecord> record = runner.TakeRecord();
        QVERIFY(record.has_value());
        QVERIFY(!record->ok);
        QVERIFY(!record->cancelled);
        QVERIFY(!record->lastError.empty());
        QVERIFY(!m_driver->IsPresent());
    }
};

VTL_TEST_MAIN(TestCTransactionRunner)
#include "tst_CTransactionRunner.moc"
