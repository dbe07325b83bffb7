// SPDX-License-Identifier: MIT
// The EEPROM engine on simulated parts, on a clock the test steps: program and verify across
// pages, blocks and halves, acknowledge polling with its time-out, cancel, and a read that
// stops part way.
#include "CDirectBusContext.h"
#include "CEepromEngine.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CTransactionControl.h"
#include "CVtlAi2c.h"
#include "EepromParts.h"
#include "EepromSpanCheck.h"
#include "ForwardingBusContext.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<unsigned char>;

constexpr const wchar_t *SERIAL = L"E-2201";

Bytes Pattern(std::size_t length, unsigned seed)
{
    Bytes bytes(length);
    for (std::size_t i = 0; i < length; ++i)
        bytes[i] = static_cast<unsigned char>(seed + i * 7);
    return bytes;
}

SMemoryImage ImageOf(std::size_t offset, const Bytes &bytes)
{
    SMemoryImage image;
    image.segments.push_back({offset, bytes});
    return image;
}

// A context whose transactions cost clock time after the slave has seen them, as the reply
// to a probe waits for its USB frame and for a host that is busy elsewhere.
class CLaggingContext : public CForwardingBusContext
{
public:
    CLaggingContext(CBusContext &inner, CManualBusClock &clock)
        : CForwardingBusContext(inner)
        , m_clock(clock)
    {}

    // The first probe after each write answers this late.
    std::chrono::microseconds firstProbeLag{0};

    STransactionRecord Execute(const STransactionRequest &request) override
    {
        STransactionRecord record = CForwardingBusContext::Execute(request);
        const bool probe = request.kind == ETransactionKind::Search;
        if (probe && m_afterWrite)
            m_clock.Advance(firstProbeLag);
        m_afterWrite = !probe;
        return record;
    }

private:
    CManualBusClock &m_clock;
    bool m_afterWrite = false;
};

} // namespace

Q_DECLARE_METATYPE(SSimEepromGeometry)

class TestEepromEngine : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CSimEeprom> m_chip;
    std::unique_ptr<CVtlAi2c> m_driver;
    CManualBusClock m_clock;
    CTransactionControl m_control;
    std::unique_ptr<CDirectBusContext> m_context;

    // A chip of `geometry` whose blocks answer from `base` on, every `step` addresses.
    void attach(const SSimEepromGeometry &geometry, std::uint8_t base, int step = 1)
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, SERIAL);
        m_chip = m_adapter->AddSlave(base, std::make_shared<CSimEeprom>(geometry));
        for (std::size_t block = 1; block < m_chip->GetBlockCount(); ++block) {
            m_adapter->AddSlave(std::uint8_t(base + int(block) * step),
                                CSimEeprom::BlockPort(m_chip, block));
        }
        const auto now = [this] {
            return m_clock.Now();
        };
        m_adapter->SetClock(now);
        m_chip->SetClock(now);
        m_driver = std::make_unique<CVtlAi2c>();
        QVERIFY(m_driver->Connect(SERIAL, EI2cSpeed::Speed400k));
        m_control.Reset();
        m_context = std::make_unique<CDirectBusContext>(
            *m_driver, SBusAdapterInfo::FromDriver(*m_driver, EVtlType::VtlA), &m_control,
            &m_clock);
    }

private Q_SLOTS:
    void cleanup()
    {
        m_context.reset();
        m_driver.reset();
        m_chip.reset();
        m_adapter.reset();
        CSimBus::Instance().Reset();
    }

    void programAndVerifyAcrossPagesAndBlocks_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<SSimEepromGeometry>("geometry");
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("step"); // between the addresses of the blocks
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("length");
        QTest::addColumn<int>("pages");
        const SSimEepromGeometry small{256, 8, 1, 5ms};
        const SSimEepromGeometry quarters{262144, 256, 2, 10ms};
        QTest::newRow("24x02 across a page") << u"24x02"_s << small << 0x50 << 1 << 5 << 10 << 2;
        QTest::newRow("24x16 across blocks 0 and 1")
            << u"24x16"_s << CSimEeprom::BLOCKS_OF_256 << 0x50 << 1 << 0xF6 << 30 << 3;
        QTest::newRow("24x16 whole part")
            << u"24x16"_s << CSimEeprom::BLOCKS_OF_256 << 0x50 << 1 << 0 << 2048 << 128;
        QTest::newRow("24x256 across a page")
            << u"24x256"_s << CSimEeprom::LARGE << 0x51 << 1 << 60 << 10 << 2;
        QTest::newRow("24x1025 across its halves")
            << u"24x1025"_s << CSimEeprom::TWO_HALVES << 0x53 << 4 << 0xFFC0 << 160 << 2;
        QTest::newRow("24xM02 into the last quarter")
            << u"24xM02"_s << quarters << 0x54 << 1 << 0x2FFF0 << 32 << 2;
    }

    void programAndVerifyAcrossPagesAndBlocks()
    {
        QFETCH(QString, part);
        QFETCH(SSimEepromGeometry, geometry);
        QFETCH(int, base);
        QFETCH(int, step);
        QFETCH(int, offset);
        QFETCH(int, length);
        QFETCH(int, pages);
        attach(geometry, std::uint8_t(base), step);
        const CEepromEngine engine(*EepromParts::Find(part.toStdString()), std::uint8_t(base));
        const Bytes data = Pattern(std::size_t(length), 3);

        SEepromOutcome programmed;
        const SBusProcedureResult result =
            engine.Program(*m_context, ImageOf(std::size_t(offset), data), programmed);
        QVERIFY2(result.ok, result.error.c_str());
        QCOMPARE(int(programmed.pages), pages);
        QCOMPARE(int(programmed.done), length);
        QVERIFY(programmed.polls > programmed.pages); // the chip was busy after each page

        Bytes expected(geometry.size, 0xFF);
        std::copy(data.begin(), data.end(), expected.begin() + offset);
        QCOMPARE(m_chip->GetContents(), expected);

        SEepromOutcome verified;
        QVERIFY(engine.Verify(*m_context, ImageOf(std::size_t(offset), data), verified).ok);
        QCOMPARE(int(verified.done), length);

        SEepromOutcome read;
        QVERIFY(engine.Read(*m_context, 0, geometry.size, read).ok);
        QCOMPARE(read.data, expected);
    }

    // Before a write, each address a part spans must answer as that part; the check only
    // reads, so every chip keeps its bytes.
    void spanAnswersAsThePart_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<SSimEepromGeometry>("geometry"); // the chip at the base, with its blocks
        QTest::addColumn<int>("base");
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("data"); // the chip holds a pattern, else it is blank
        QTest::addColumn<SSimEepromGeometry>("neighbour"); // a chip of its own at base + 1
        QTest::addColumn<int>("neighbourData"); // where its pattern starts; -1: no chip, -2: blank
        QTest::addColumn<int>("fault");         // the address named; 0: none
        QTest::addColumn<bool>("silent");
        const SSimEepromGeometry small = CSimEeprom::SMALL;
        const SSimEepromGeometry large = CSimEeprom::LARGE;
        const SSimEepromGeometry halves = CSimEeprom::TWO_HALVES;
        const auto row = [](const char *name, const char *part, const SSimEepromGeometry &chip,
                            int base, int step, bool data, const SSimEepromGeometry &neighbour,
                            int neighbourData, int fault, bool silent) {
            QTest::newRow(name) << QString::fromLatin1(part) << chip << base << step << data
                                << neighbour << neighbourData << fault << silent;
        };
        const SSimEepromGeometry blocks = CSimEeprom::BLOCKS_OF_256;
        row("24x16, blank", "24x16", blocks, 0x50, 1, false, small, -1, 0, false);
        row("24x16, with data", "24x16", blocks, 0x50, 1, true, small, -1, 0, false);
        row("24x1025, both halves", "24x1025", halves, 0x53, 4, true, small, -1, 0, false);
        row("24x16 over a chip alone", "24x16", small, 0x50, 1, true, small, -1, 0x51, true);
        row("24x1025 without its upper half", "24x1025", large, 0x53, 4, true, small, -1, 0x57,
            true);
        row("24x16 over a 24x256 next door", "24x16", small, 0x50, 1, true, large, 0, 0x51, false);
        row("24x04 over two 256-byte chips", "24x04", small, 0x50, 1, true, small, 0, 0x51, false);
        // Blank first bytes on both sides: the rest of the block tells them apart.
        row("24x16, blank start, data further on next door", "24x16", small, 0x50, 1, false, large,
            0x80, 0x51, false);
    }

    void spanAnswersAsThePart()
    {
        QFETCH(QString, part);
        QFETCH(SSimEepromGeometry, geometry);
        QFETCH(int, base);
        QFETCH(int, step);
        QFETCH(bool, data);
        QFETCH(SSimEepromGeometry, neighbour);
        QFETCH(int, neighbourData);
        QFETCH(int, fault);
        QFETCH(bool, silent);
        attach(geometry, std::uint8_t(base), step);
        if (data)
            m_chip->SetContents(0, Pattern(geometry.size, 1));
        std::shared_ptr<CSimEeprom> next;
        if (neighbourData != -1) {
            next = m_adapter->AddSlave(std::uint8_t(base + 1),
                                       std::make_shared<CSimEeprom>(neighbour));
            if (neighbourData >= 0)
                next->SetContents(std::size_t(neighbourData), Pattern(64, 90));
        }
        const Bytes before = m_chip->GetContents();
        const Bytes nextBefore = next ? next->GetContents() : Bytes();

        std::optional<EepromSpanCheck::SFault> found;
        const SBusProcedureResult result = EepromSpanCheck::Check(
            *m_context, *EepromParts::Find(part.toStdString()), std::uint8_t(base), found);
        QVERIFY2(result.ok, result.error.c_str());
        QCOMPARE(found ? int(found->address) : 0, fault);
        if (found) {
            QCOMPARE(found->fault == EepromSpanCheck::EFault::Silent, silent);
        }
        QCOMPARE(m_chip->GetContents(), before);
        if (next)
            QCOMPARE(next->GetContents(), nextBefore);
    }

    // An image past the part's end would wrap into its first bytes: nothing is written.
    void imageBeyondThePartWritesNothing()
    {
        attach(CSimEeprom::SMALL, 0x50);
        const CEepromEngine engine(*EepromParts::Find("24x02"), 0x50);
        SEepromOutcome outcome;
        const SBusProcedureResult result =
            engine.Program(*m_context, ImageOf(0xF8, Pattern(16, 5)), outcome);
        QVERIFY(!result.ok);
        QCOMPARE(result.failure, EFailureKind::InvalidArgument);
        QCOMPARE(m_chip->GetContents(), Bytes(256, 0xFF));
    }

    void gapsAreLeftAlone()
    {
        attach(CSimEeprom::LARGE, 0x51);
        m_chip->SetContents(0, Bytes(256, 0x11));
        const CEepromEngine engine(*EepromParts::Find("24x256"), 0x51);
        SMemoryImage image;
        image.segments = {{0x10, {1, 2}}, {0x80, {3}}};
        SEepromOutcome outcome;
        QVERIFY(engine.Program(*m_context, image, outcome).ok);
        const Bytes contents = m_chip->GetContents();
        QCOMPARE(Bytes(contents.begin() + 0x0F, contents.begin() + 0x13),
                 (Bytes{0x11, 1, 2, 0x11}));
        QCOMPARE(Bytes(contents.begin() + 0x7F, contents.begin() + 0x82), (Bytes{0x11, 3, 0x11}));
        QCOMPARE(outcome.done, std::size_t(3));
    }

    void acknowledgePolling_data()
    {
        QTest::addColumn<int>("chipCycleUs");
        QTest::addColumn<int>("firstProbeLagUs");
        QTest::addColumn<QString>("error");
        QTest::newRow("chip within its time") << 4900 << 0 << QString();
        // The answer to a probe sent inside the write cycle comes back after the part's time:
        // the chip has not been asked since, so this is no time-out.
        QTest::newRow("late answer inside the cycle") << 4900 << 6000 << QString();
        QTest::newRow("chip slower than the part")
            << 8000 << 0 << u"no acknowledge within 5 ms after the write"_s;
    }

    void acknowledgePolling()
    {
        QFETCH(int, chipCycleUs);
        QFETCH(int, firstProbeLagUs);
        QFETCH(QString, error);
        attach({32768, 64, 2, std::chrono::microseconds(chipCycleUs)}, 0x51);
        CLaggingContext context(*m_context, m_clock);
        context.firstProbeLag = std::chrono::microseconds(firstProbeLagUs);
        const CEepromEngine engine(*EepromParts::Find("24x256"), 0x51);
        SEepromOutcome outcome;
        const SBusProcedureResult result =
            engine.Program(context, ImageOf(0x40, Pattern(100, 1)), outcome);
        QCOMPARE(QString::fromStdString(result.error), error);
        QCOMPARE(result.ok, error.isEmpty());
        // A page whose cycle did not end in time is not counted.
        QCOMPARE(outcome.done, error.isEmpty() ? std::size_t(100) : std::size_t(0));
        QCOMPARE(outcome.failedAt.has_value(), !error.isEmpty());
    }

    void cancelStopsBetweenPagesAndCountsWhatTheChipHolds()
    {
        attach(CSimEeprom::LARGE, 0x51);
        const CEepromEngine engine(*EepromParts::Find("24x256"), 0x51);
        int writes = 0;
        m_context->SetRecordHandler([&](const STransactionRecord &record) {
            if (record.request.kind == ETransactionKind::Write && ++writes == 3)
                m_control.RequestCancel();
        });
        const Bytes data = Pattern(640, 5);
        SEepromOutcome outcome;
        const SBusProcedureResult result = engine.Program(*m_context, ImageOf(0, data), outcome);
        QVERIFY(result.cancelled);
        QVERIFY(!result.ok);
        QCOMPARE(writes, 3);
        // Two pages are known to be held; the third was written but its cycle not awaited.
        QCOMPARE(outcome.done, std::size_t(128));
        const Bytes contents = m_chip->GetContents();
        QVERIFY(std::equal(data.begin(), data.begin() + 192, contents.begin()));
        QCOMPARE(contents[192], static_cast<unsigned char>(0xFF));
    }

    void progressFollowsTheBytesAsTheyArrive_data()
    {
        QTest::addColumn<bool>("verify");
        QTest::newRow("read of the whole part, one transaction") << false;
        QTest::newRow("verify of two segments, one transaction each") << true;
    }

    void progressFollowsTheBytesAsTheyArrive()
    {
        QFETCH(bool, verify);
        attach(CSimEeprom::LARGE, 0x51);
        const Bytes data = Pattern(32768, 4);
        m_chip->SetContents(0, data);
        std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
        const CTransactionControl control(
            [&](std::uint64_t done, std::uint64_t total) { reports.emplace_back(done, total); });
        CDirectBusContext context(*m_driver, SBusAdapterInfo::FromDriver(*m_driver, EVtlType::VtlA),
                                  &control, &m_clock);
        const CEepromEngine engine(*EepromParts::Find("24x256"), 0x51);
        SMemoryImage image;
        image.segments = {{0, Bytes(data.begin(), data.begin() + 16384)},
                          {16384, Bytes(data.begin() + 16384, data.end())}};
        SEepromOutcome outcome;
        QVERIFY(verify ? engine.Verify(context, image, outcome).ok
                       : engine.Read(context, 0, data.size(), outcome).ok);

        QVERIFY(reports.size() > 2);
        QVERIFY(reports.front().first < 16384); // before the first transaction has ended
        QCOMPARE(reports.back(), std::make_pair(std::uint64_t(32768), std::uint64_t(32768)));
        for (std::size_t i = 1; i < reports.size(); ++i) {
            QVERIFY(reports[i].first >= reports[i - 1].first);
            QCOMPARE(reports[i].second, std::uint64_t(32768));
        }
    }

    // Verify reads the whole image back and reports every differing byte as runs.
    void verifyReportsEveryDifference_data()
    {
        QTest::addColumn<QList<int>>("segments"); // offset and length of each
        QTest::addColumn<QList<int>>(
            "changed");                       // offset and length of each run inverted on the chip
        QTest::addColumn<QList<int>>("runs"); // offset and length of each run reported
        const QList<int> whole{0, 256};
        QTest::newRow("none") << whole << QList<int>() << QList<int>();
        QTest::newRow("one") << whole << QList<int>{0x20, 1} << QList<int>{0x20, 1};
        QTest::newRow("first and last byte")
            << whole << QList<int>{0x00, 1, 0xFF, 1} << QList<int>{0x00, 1, 0xFF, 1};
        QTest::newRow("several runs") << whole << QList<int>{0x10, 3, 0x40, 1, 0x80, 2}
                                      << QList<int>{0x10, 3, 0x40, 1, 0x80, 2};
        QTest::newRow("every byte") << whole << whole << whole;
        // Bytes outside the image are not compared; runs of two segments stay apart.
        QTest::newRow("two segments")
            << QList<int>{0x00, 0x40, 0x80, 0x40} << QList<int>{0x3F, 1, 0x50, 1, 0x80, 1, 0xBF, 2}
            << QList<int>{0x3F, 1, 0x80, 1, 0xBF, 1};
    }

    void verifyReportsEveryDifference()
    {
        QFETCH(QList<int>, segments);
        QFETCH(QList<int>, changed);
        QFETCH(QList<int>, runs);
        attach(CSimEeprom::LARGE, 0x51);
        const Bytes data = Pattern(256, 9);
        Bytes chip = data;
        for (qsizetype i = 0; i < changed.size(); i += 2) {
            for (int offset = changed[i]; offset < changed[i] + changed[i + 1]; ++offset)
                chip[std::size_t(offset)] = static_cast<unsigned char>(~data[std::size_t(offset)]);
        }
        m_chip->SetContents(0, chip);
        SMemoryImage image;
        for (qsizetype i = 0; i < segments.size(); i += 2) {
            const auto from = data.begin() + segments[i];
            image.segments.push_back(
                {std::size_t(segments[i]), Bytes(from, from + segments[i + 1])});
        }
        const CEepromEngine engine(*EepromParts::Find("24x256"), 0x51);

        SEepromOutcome outcome;
        const SBusProcedureResult result = engine.Verify(*m_context, image, outcome);
        QList<int> reported;
        for (const SByteRun &run : outcome.differing)
            reported << int(run.offset) << int(run.length);
        QCOMPARE(reported, runs);
        QCOMPARE(result.ok, runs.isEmpty());
        QCOMPARE(outcome.Differs(), !runs.isEmpty());
        QVERIFY(!outcome.failedAt);
        QCOMPARE(outcome.done, image.ByteCount()); // read to the end, not to the first
        std::size_t count = 0;
        for (qsizetype i = 1; i < runs.size(); i += 2)
            count += std::size_t(runs[i]);
        QCOMPARE(outcome.DifferingCount(), count);
        if (!runs.isEmpty()) {
            const std::size_t first = std::size_t(runs.front());
            QCOMPARE(outcome.FirstDifference(), std::optional<std::size_t>(first));
            QCOMPARE(outcome.expected, data[first]);
            QCOMPARE(outcome.actual, chip[first]);
        }
    }

    void readStoppedPartWayKeepsWhatArrived()
    {
        attach(CSimEeprom::BLOCKS_OF_256, 0x50);
        const Bytes data = Pattern(2048, 2);
        m_chip->SetContents(0, data);
        const CEepromEngine engine(*EepromParts::Find("24x16"), 0x50);
        // Reads end at the blocks; the third block stops answering after the first.
        m_context->SetRecordHandler(
            [&](const STransactionRecord &) { m_adapter->RemoveSlave(0x52); });
        SEepromOutcome outcome;
        const SBusProcedureResult result = engine.Read(*m_context, 0, data.size(), outcome);
        QCOMPARE(QString::fromStdString(result.error), u"NACK received"_s);
        QCOMPARE(outcome.failedAt, std::optional<std::size_t>(0x200));
        QCOMPARE(outcome.data, Bytes(data.begin(), data.begin() + 0x200));
    }
};

VTL_TEST_MAIN(TestEepromEngine)
#include "tst_eepromengine.moc"
