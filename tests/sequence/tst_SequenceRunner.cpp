// SPDX-License-Identifier: MIT
// Sequences run on the simulated adapter with a clock that only moves when the sequence
// waits: the wire bytes of a step, expect and poll outcomes, time-outs, bus errors,
// and cancels between steps and inside delays and polls; rows of the log saved as a sequence
// and replayed.
#include "CDirectBusContext.h"
#include "CI2cDeviceFile.h"
#include "CSequenceRunner.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CSimPresetBench.h"
#include "CTransactionControl.h"
#include "CVtlAi2c.h"
#include "ReportLines.h"
#include "SequenceParser.h"
#include "SequenceRecording.h"
#include "VtlTestMain.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

constexpr std::uint8_t SMALL_EEPROM = 0x50;
constexpr std::uint8_t LARGE_EEPROM = 0x51;

// A manual clock whose waits pass in 1 ms slices, asking for the cancel at each, and which
// requests the cancel itself once its time reaches `cancelAt`.
class CSlicedClock : public CManualBusClock
{
public:
    CTransactionControl *control = nullptr;
    std::optional<std::chrono::microseconds> cancelAt;
    Clock::time_point start = Now();

    bool Sleep(std::chrono::microseconds duration, const std::function<bool()> &cancelled) override
    {
        const Clock::time_point end = Now() + duration;
        while (Now() < end) {
            if (cancelAt && Now() - start >= *cancelAt)
                control->RequestCancel();
            if (cancelled())
                return false;
            Advance(std::min<Clock::duration>(1ms, end - Now()));
        }
        // A cancel that comes as the wait ends is for the next step to see.
        if (cancelAt && Now() - start >= *cancelAt)
            control->RequestCancel();
        return true;
    }
};

} // namespace

class TestSequenceRunner : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CVtlI2c> m_driver;
    std::unique_ptr<CSlicedClock> m_clock;
    std::unique_ptr<CTransactionControl> m_control;
    std::vector<SSequenceOutcome> m_outcomes;
    CSequenceProgram m_program;

    std::optional<SSequenceResult> run(const QString &text,
                                       const CSequenceRunner::StepHandler &extra = {})
    {
        SSequenceError error;
        auto program = SequenceParser::ParseProgram(text.split(u'|'), SMALL_EEPROM, error);
        if (!program) {
            qWarning() << error.Text();
            return std::nullopt;
        }
        m_program = *program;
        CSequenceRunner runner(std::move(*program));
        runner.SetStepHandler([this, extra](const SSequenceOutcome &outcome) {
            m_outcomes.push_back(outcome);
            if (extra)
                extra(outcome);
        });
        CDirectBusContext context(*m_driver, SBusAdapterInfo::FromDriver(*m_driver, EVtlType::VtlA),
                                  m_control.get(), m_clock.get());
        m_adapter->ClearReports();
        return runner.Run(context);
    }

    std::int64_t elapsedMs() const
    {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_clock->Now() -
                                                                     m_clock->start)
            .count();
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_clock = std::make_unique<CSlicedClock>();
        m_control = std::make_unique<CTransactionControl>();
        m_clock->control = m_control.get();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"S-2301");
        m_adapter->SetClock([clock = m_clock.get()] { return clock->Now(); });
        auto small = m_adapter->AddSlave(SMALL_EEPROM, std::make_shared<CSimEeprom>());
        std::vector<unsigned char> contents(256);
        for (std::size_t i = 0; i < contents.size(); ++i)
            contents[i] = static_cast<unsigned char>(i);
        small->SetContents(0, contents);
        auto large =
            m_adapter->AddSlave(LARGE_EEPROM, std::make_shared<CSimEeprom>(CSimEeprom::LARGE));
        large->SetClock([clock = m_clock.get()] { return clock->Now(); });
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(L"S-2301", EI2cSpeed::Speed100k));
        m_outcomes.clear();
    }

    void cleanup()
    {
        m_driver.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    // '|' separates lines; the device address is the small EEPROM's.
    void runs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("failedLine");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("elapsedMs");
        QTest::addColumn<int>("outcomes");
        QTest::addColumn<int>("lastAttempts");
        QTest::newRow("expect passes under its mask")
            << u"w2 00 AB|expect w1 00 r1 == AB|expect w1 10 r2 == 00 11 mask 0F FF"_s << 0
            << QString() << 0 << 3 << 0;
        QTest::newRow("expect fails at its line")
            << u"r1|expect w1 10 r1 == 01 mask 0F|r1"_s << 2 << u"read 10, expected 01 mask 0F"_s
            << 0 << 2 << 0;
        // The large EEPROM refuses its address for 5 ms after a write.
        QTest::newRow("poll through the write cycle")
            << u"w3@0x51 00 00 5A|poll w2@0x51 00 00 r1 until 5A every 1ms timeout 20ms"_s << 0
            << QString() << 5 << 2 << 6;
        QTest::newRow("poll until a bit is set")
            << u"poll w1 00 r1 until 80 mask 80 every 5ms timeout 12ms"_s << 1
            << u"no match for 80 mask 80 within 12ms (4 attempts); last read 00"_s << 12 << 1 << 4;
        QTest::newRow("poll of a silent address times out")
            << u"delay 3ms|poll r1@0x33 until 00 every 5ms timeout 20ms|r1"_s << 2
            << u"no match for 00 within 20ms (5 attempts); the last attempt was not "
               u"acknowledged"_s
            << 23 << 2 << 5;
        QTest::newRow("bus error stops the sequence")
            << u"r1|w1@0x33 00 r1|r1"_s << 2 << u"message 1 (w1@0x33): NACK received"_s << 0 << 2
            << 0;
        QTest::newRow("delays and repeats")
            << u"delay 10ms|repeat 3|delay 1ms|echo tick|end"_s << 0 << QString() << 13 << 7 << 0;
        QTest::newRow("a repeat stops in the round that fails")
            << u"w1 00|repeat 3|expect r1 == 00|end|r1"_s << 3 << u"read 01, expected 00"_s << 0
            << 3 << 0;
    }

    void runs()
    {
        QFETCH(QString, text);
        QFETCH(int, failedLine);
        QFETCH(QString, error);
        QFETCH(int, elapsedMs);
        QFETCH(int, outcomes);
        QFETCH(int, lastAttempts);
        const std::optional<SSequenceResult> result = run(text);
        QVERIFY(result);
        QCOMPARE(result->ok, failedLine == 0);
        QVERIFY(!result->cancelled);
        QCOMPARE(result->failedLine, failedLine);
        QCOMPARE(result->error, error);
        QCOMPARE(this->elapsedMs(), elapsedMs);
        QCOMPARE(result->durationUs, elapsedMs * 1000);
        QCOMPARE(int(m_outcomes.size()), outcomes);
        QCOMPARE(int(result->stepsDone), outcomes);
        QCOMPARE(int(m_outcomes.back().attempts), lastAttempts);
        QCOMPARE(m_outcomes.back().status == ESequenceStatus::Ok, failedLine == 0);
        // Outcomes count the steps as they ran and point at the step as written.
        for (std::size_t i = 0; i < m_outcomes.size(); ++i) {
            QCOMPARE(m_outcomes[i].index, i);
            QCOMPARE(m_program.Steps().at(m_outcomes[i].textIndex).line, m_outcomes[i].line);
        }
    }

    void wireBytes()
    {
        QVERIFY(run(u"w1 10 r4|w2@0x51 01 02 r1"_s));
        QCOMPARE(
            ReportLines(m_adapter->GetSpecialReports()),
            (QStringList{u"02 82 A0 10"_s, u"03 04 A1"_s, u"02 83 A2 01 02"_s, u"03 01 A3"_s}));
        QCOMPARE(m_outcomes.front().read, (std::vector<unsigned char>{0x10, 0x11, 0x12, 0x13}));
        QCOMPARE(m_outcomes.front().records.size(), std::size_t(2));
    }

    // Transactions saved as a sequence and run again put the same bytes on the wire; what a
    // sequence cannot send is left out and counted.
    void savedRowsReplay()
    {
        const std::vector<STransactionRequest> requests{
            STransactionRequest::Write(SMALL_EEPROM, {0x20, 0x5A, 0xA5}),
            STransactionRequest::Search(0x50, 0x51),
            STransactionRequest::Write(SMALL_EEPROM, {0x20}, true, false),
            STransactionRequest::Read(SMALL_EEPROM, 2),
            STransactionRequest::WriteRead(LARGE_EEPROM, {0x00, 0x00}, 3),
            STransactionRequest::Write(SMALL_EEPROM, {0x01}, false, true),
            STransactionRequest::Read(0x33, 1)};
        std::vector<STransactionRecord> records;
        CDirectBusContext context(*m_driver, SBusAdapterInfo::FromDriver(*m_driver, EVtlType::VtlA),
                                  nullptr, m_clock.get());
        for (const STransactionRequest &request : requests)
            records.push_back(context.Execute(request));
        for (STransactionRecord &record : records) {
            record.startedMs = 1000;
            record.durationUs = 0;
        }
        records[3].startedMs = 1007;
        records[3].durationUs = 500;
        records[4].startedMs = 1010;

        const SSequenceRecording recording =
            SequenceRecording::FromRecords(records, true, SMALL_EEPROM);
        QCOMPARE(recording.skipped, 2);
        QCOMPARE(recording.lines, (QStringList{u"w3 20 5A A5"_s, u"w1 20 r2"_s, u"delay 2ms"_s,
                                               u"w2@0x51 00 00 r3"_s, u"r1@0x33"_s}));

        m_adapter->ClearReports();
        for (const std::size_t i : {0, 2, 3, 4, 6})
            context.Execute(requests[i]);
        const QStringList direct = ReportLines(m_adapter->GetSpecialReports());
        const std::optional<SSequenceResult> replay = run(recording.lines.join(u'|'));
        QVERIFY(replay);
        QCOMPARE(replay->failedLine, 5);
        QCOMPARE(ReportLines(m_adapter->GetSpecialReports()), direct);
    }

    void cancels_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cancelAtMs");
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("reports");
        QTest::newRow("inside a delay") << u"r1|delay 100ms|r1"_s << 40 << 2 << 1;
        QTest::newRow("inside a poll")
            << u"poll r1@0x33 until 00 every 5ms timeout 1s|r1"_s << 12 << 1 << 3;
        QTest::newRow("between steps") << u"delay 5ms|r1|r1"_s << 5 << 2 << 0;
    }

    void cancels()
    {
        QFETCH(QString, text);
        QFETCH(int, cancelAtMs);
        QFETCH(int, line);
        QFETCH(int, reports);
        m_clock->cancelAt = std::chrono::milliseconds(cancelAtMs);
        const std::optional<SSequenceResult> result = run(text);
        QVERIFY(result);
        QVERIFY(!result->ok);
        QVERIFY(result->cancelled);
        QCOMPARE(result->failedLine, line);
        QCOMPARE(elapsedMs(), cancelAtMs);
        QCOMPARE(int(m_adapter->GetSpecialReports().size()), reports);
    }

    // The demo's example sequences pass on the preset bench, and their files keep the layout
    // that saving writes.
    void demoExamples_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("label");
        QTest::newRow("temperature sensor one-shot")
            << u"bench-temperature.i2cdev"_s << u"One-Shot Conversion"_s;
        QTest::newRow("EEPROM page") << u"bench-eeprom.i2cdev"_s << u"Write Page and Verify"_s;
    }

    void demoExamples()
    {
        QFETCH(QString, file);
        QFETCH(QString, label);
        const QString path = QStringLiteral(VTL_DEMO_EXAMPLES) + u'/' + file;
        CI2cDeviceFile device;
        QVERIFY2(device.Load(path), qPrintable(device.GetLastError()));
        QTemporaryDir dir;
        QVERIFY(device.SaveAs(dir.filePath(file)));
        QFile original(path);
        QFile saved(dir.filePath(file));
        QVERIFY(original.open(QIODevice::ReadOnly) && saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), original.readAll());

        const auto command =
            std::find_if(device.GetCommands().begin(), device.GetCommands().end(),
                         [&label](const SI2cCommand &c) { return c.label == label; });
        QVERIFY(command != device.GetCommands().end());
        SSequenceError error;
        auto steps = SequenceParser::ParseAndExpand(command->steps, device.GetAddress(), error);
        QVERIFY2(steps, qPrintable(error.Text()));

        m_driver.reset();
        CSimBus::Instance().Reset();
        const SSimPresetBench bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
        bench.adapterA->SetClock([clock = m_clock.get()] { return clock->Now(); });
        bench.temperatureA->SetClock([clock = m_clock.get()] { return clock->Now(); });
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(CSimPresetBench::SERIAL_A, EI2cSpeed::Speed100k));
        CDirectBusContext context(*m_driver, SBusAdapterInfo::FromDriver(*m_driver, EVtlType::VtlA),
                                  m_control.get(), m_clock.get());
        const SSequenceResult result = CSequenceRunner(std::move(*steps)).Run(context);
        QVERIFY2(result.ok, qPrintable(u"line %1: %2"_s.arg(result.failedLine).arg(result.error)));
        QCOMPARE(result.stepsDone, result.stepsTotal);
    }
};

VTL_TEST_MAIN(TestSequenceRunner)
#include "tst_SequenceRunner.moc"
