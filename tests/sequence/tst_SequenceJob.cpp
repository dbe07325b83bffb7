// SPDX-License-Identifier: MIT
// A sequence as one job on the bus session: its step outcomes in order, its summary, a
// cancel inside a delay, and an adapter unplugged between steps.
#include "CBusSession.h"
#include "CSequenceJob.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "SequenceParser.h"
#include "VtlTestMain.h"

#include <QSignalSpy>

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;
const std::wstring SERIAL = L"J-0001";

} // namespace

class TestSequenceJob : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CBusSession> m_session;

    std::unique_ptr<CSequenceJob> job(const QString &text)
    {
        SSequenceError error;
        auto steps = SequenceParser::ParseAndExpand(text.split(u'|'), EEPROM, error);
        if (!steps)
            return nullptr;
        return std::make_unique<CSequenceJob>(u"Check"_s, std::move(*steps));
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, SERIAL);
        m_adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        m_session = std::make_unique<CBusSession>();
        QVERIFY(m_session->Connect({EVtlType::VtlA, SERIAL}, EI2cSpeed::Speed400k));
        m_adapter->ClearReports();
    }

    void cleanup()
    {
        m_session.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void outcomesAndSummary_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("lines");
        QTest::addColumn<int>("transactions");
        QTest::addColumn<QString>("summary");
        QTest::newRow("ok") << u"w2 00 41|repeat 2|r1|end|expect w1 00 r1 == 41"_s << u"1 3 3 5"_s
                            << 5 << u"4 steps, ok, "_s;
        QTest::newRow("one step") << u"r1"_s << u"1"_s << 1 << u"1 step, ok, "_s;
        QTest::newRow("failing line") << u"r1|r1@0x33|r1"_s << u"1 2"_s << 2
                                      << u"line 2: message 1 (r1@0x33): NACK received"_s;
    }

    void outcomesAndSummary()
    {
        QFETCH(QString, text);
        QFETCH(QString, lines);
        QFETCH(int, transactions);
        QFETCH(QString, summary);
        const std::unique_ptr<CSequenceJob> sequence = job(text);
        QVERIFY(sequence);
        QStringList seen;
        connect(
            sequence.get(), &CSequenceJob::stepDone, this,
            [&seen](const SSequenceOutcome &outcome) { seen << QString::number(outcome.line); });
        QSignalSpy finished(sequence.get(), &CSequenceJob::finished);
        const std::shared_ptr<CBusJob> busJob = sequence->Start(*m_session);
        QSignalSpy done(busJob.get(), &CBusJob::transactionDone);
        QVERIFY(finished.wait(10000));
        QCOMPARE(seen.join(u' '), lines);
        QCOMPARE(done.count(), transactions);
        const QString text2 = CSequenceJob::Summary(sequence->Result());
        QVERIFY2(text2.startsWith(summary), qPrintable(text2));
        QCOMPARE(text2.endsWith(u" ms"_s), sequence->Result().ok);
    }

    void cancelInsideDelay()
    {
        const std::unique_ptr<CSequenceJob> sequence = job(u"r1|delay 20s|w1 00"_s);
        QVERIFY(sequence);
        connect(sequence.get(), &CSequenceJob::stepDone, this,
                [&sequence](const SSequenceOutcome &) { sequence->Job()->Cancel(); });
        QSignalSpy finished(sequence.get(), &CSequenceJob::finished);
        sequence->Start(*m_session);
        QVERIFY(finished.wait(10000));
        QVERIFY(sequence->Result().cancelled);
        QCOMPARE(CSequenceJob::Summary(sequence->Result()), u"cancelled at line 2"_s);
        // The read of line 1 only: the write after the delay never went out.
        const auto reports = m_adapter->GetSpecialReports();
        QCOMPARE(reports.size(), std::size_t(1));
        QCOMPARE(reports.front().front(), 0x03);
    }

    void unplugBetweenSteps()
    {
        const std::unique_ptr<CSequenceJob> sequence = job(u"r1|delay 200ms|r1|r1"_s);
        QVERIFY(sequence);
        QSignalSpy lost(m_session.get(), &CBusSession::connectionLost);
        connect(sequence.get(), &CSequenceJob::stepDone, this,
                [this](const SSequenceOutcome &outcome) {
                    if (outcome.index == 0)
                        m_adapter->Unplug();
                });
        QSignalSpy finished(sequence.get(), &CSequenceJob::finished);
        sequence->Start(*m_session);
        QVERIFY(finished.wait(10000));
        QVERIFY(!sequence->Result().ok && !sequence->Result().cancelled);
        QCOMPARE(sequence->Result().failedLine, 3);
        QTRY_COMPARE(lost.count(), 1);
        QVERIFY(!m_session->IsConnected());
    }

    void withoutConnection()
    {
        m_session->Disconnect();
        const std::unique_ptr<CSequenceJob> sequence = job(u"r1"_s);
        QSignalSpy finished(sequence.get(), &CSequenceJob::finished);
        sequence->Start(*m_session);
        QVERIFY(finished.wait(5000));
        QCOMPARE(CSequenceJob::Summary(sequence->Result()), u"Not connected"_s);
    }
};

VTL_TEST_MAIN(TestSequenceJob)
#include "tst_SequenceJob.moc"
