// SPDX-License-Identifier: MIT
// When replies become readable with the I2C bus time switched on, and what an enable report
// does to a transaction under way. Time is a clock the tests step, never the wall clock.
#include "CSimEeprom.h"
#include "CSimPresetBench.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QByteArrayList>
#include <QTest>

#include <chrono>
#include <memory>

Q_DECLARE_METATYPE(ESimModel)

using namespace std::chrono_literals;

using Clock = CSimAdapter::Clock;

class TestSimBusTime : public QObject
{
    Q_OBJECT

private:
    const Clock::time_point m_start = Clock::time_point{} + 1h;
    Clock::time_point m_now;
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CRawHid> m_hid;

    void Open(ESimModel model, std::chrono::nanoseconds framePeriod, bool busTiming)
    {
        m_adapter = CSimBus::Instance().Attach(model, L"T-1");
        auto eeprom = m_adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
        eeprom->SetContents(0, {0x10, 0x11, 0x12, 0x13});
        m_adapter->SetClock([this] { return m_now; });
        m_adapter->SetFramePeriod(framePeriod);
        m_adapter->SetBusTiming(busTiming);
        m_hid = std::make_unique<CRawHid>(m_adapter->GetSpecialPath());
    }

    void Send(const QByteArrayList &requests)
    {
        for (const QByteArray &request : requests)
            m_hid->Write(Report(request.constData()));
    }

    // Each reply becomes readable exactly at its time: none more a nanosecond before it.
    void CheckReadyTimes(const QList<qint64> &expectedNs)
    {
        for (const qint64 ns : expectedNs) {
            m_now = m_start + std::chrono::nanoseconds(ns - 1);
            QVERIFY2(m_hid->ReadAll().isEmpty(), qPrintable(QString::number(ns)));
            m_now = m_start + std::chrono::nanoseconds(ns);
            QVERIFY2(m_hid->ReadAll().size() == 1, qPrintable(QString::number(ns)));
        }
        m_now = m_start + 1h;
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>());
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_now = m_start;
    }

    void cleanup()
    {
        m_hid.reset();
        m_adapter.reset();
    }

    void replyTimes_data()
    {
        QTest::addColumn<QByteArray>("enable");
        QTest::addColumn<int>("framePeriodUs");
        QTest::addColumn<bool>("busTiming");
        QTest::addColumn<int>("forcedStatus"); // -1: none
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QList<qint64>>("readyNs");

        const QByteArray speed100k("01 01 00");
        const QByteArrayList read200{"03 C8 A1 00"};
        QTest::newRow("off: one reply per 1 ms frame")
            << speed100k << 1000 << false << -1 << read200
            << QList<qint64>{1000000, 2000000, 3000000, 4000000};
        // Start, three bytes: 28 bit times of 2.5 us.
        QTest::newRow("write at 400k") << QByteArray("01 01 01") << 0 << true << -1
                                       << QByteArrayList{"02 C3 A0 00 AB"} << QList<qint64>{70000};
        // 10 + 62 * 9 = 568 and 10 + 100 * 9 = 910 bit times of 10 us.
        QTest::newRow("read at 100k")
            << speed100k << 0 << true << -1 << QByteArrayList{"03 64 A1 00"}
            << QList<qint64>{5680000, 9100000};
        QTest::newRow("a busy bus delays the next request, stop included")
            << speed100k << 0 << true << -1 << QByteArrayList{"03 64 A1 00", "02 C1 A0"}
            << QList<qint64>{5680000, 9100000, 9210000};
        QTest::newRow("NACKed address at 10k, then its stop")
            << QByteArray("01 01 03") << 0 << true << -1 << QByteArrayList{"02 C1 E0", "02 C1 A0"}
            << QList<qint64>{1000000, 2100000};
        QTest::newRow("50k") << QByteArray("01 01 02") << 0 << true << -1
                             << QByteArrayList{"02 C1 A0"} << QList<qint64>{200000};
        QTest::newRow("no stop before the next chunk")
            << speed100k << 0 << true << -1 << QByteArrayList{"02 82 A0 00", "02 41 AB"}
            << QList<qint64>{190000, 280000};
        QTest::newRow("a read of nothing keeps off the bus")
            << speed100k << 0 << true << -1 << QByteArrayList{"03 00 A1 00", "02 C1 A0"}
            << QList<qint64>{0, 100000};
        QTest::newRow("a failed read frees the bus at its reply")
            << speed100k << 0 << true << 0x80 << QByteArrayList{"03 64 A1 00", "02 C1 A0"}
            << QList<qint64>{5680000, 5780000};
        // The bus outruns the frames at 1000k (0.568, 1.126, 1.684, 1.81 ms).
        QTest::newRow("1000k behind 1 ms frames")
            << QByteArray("01 01 04") << 1000 << true << -1 << read200
            << QList<qint64>{1000000, 2000000, 3000000, 4000000};
        // At 100k the frames wait for the bus (5.68, 11.26, 16.84, 18.1 ms).
        QTest::newRow("1 ms frames behind 100k")
            << speed100k << 1000 << true << -1 << read200
            << QList<qint64>{6000000, 12000000, 17000000, 19000000};
    }

    void replyTimes()
    {
        QFETCH(QByteArray, enable);
        QFETCH(int, framePeriodUs);
        QFETCH(bool, busTiming);
        QFETCH(int, forcedStatus);
        QFETCH(QByteArrayList, requests);
        QFETCH(QList<qint64>, readyNs);

        Open(ESimModel::A, std::chrono::microseconds(framePeriodUs), busTiming);
        Send({enable});
        if (forcedStatus >= 0)
            m_adapter->ForceNextStatus(static_cast<std::uint8_t>(forcedStatus));
        Send(requests);
        CheckReadyTimes(readyNs);
    }

    void longReadOnThePresetBench_data()
    {
        QTest::addColumn<QByteArray>("enable");
        QTest::addColumn<qint64>("firstMs");
        QTest::addColumn<qint64>("lastMs");

        // The last byte is done after 10 + 65,535 * 9 bit times of 10 us (5,898.25 ms), in
        // the frame of the reply before it, so it waits for the next one.
        QTest::newRow("100k") << QByteArray("01 01 00") << qint64(6) << qint64(5900);
        QTest::newRow("1000k: the frames set the pace")
            << QByteArray("01 01 04") << qint64(1) << qint64(1058);
    }

    void longReadOnThePresetBench()
    {
        QFETCH(QByteArray, enable);
        QFETCH(qint64, firstMs);
        QFETCH(qint64, lastMs);

        SSimPresetOptions options;
        options.busTiming = true;
        const SSimPresetBench bench = CSimPresetBench::Attach(options);
        bench.adapterA->SetClock([this] { return m_now; });
        CRawHid hid(bench.adapterA->GetSpecialPath());
        hid.Write(Report(enable.constData()));
        hid.Write(Report("03 FF A1 FF"));

        m_now = m_start + std::chrono::milliseconds(firstMs) - 1ns;
        QCOMPARE(hid.ReadAll().size(), 0);
        m_now = m_start + std::chrono::milliseconds(firstMs);
        QCOMPARE(hid.ReadAll().size(), 1);
        m_now = m_start + std::chrono::milliseconds(lastMs) - 1ns;
        QCOMPARE(hid.ReadAll().size(), 1056);
        m_now = m_start + std::chrono::milliseconds(lastMs);
        const QList<QByteArray> last = hid.ReadAll();
        QCOMPARE(last.size(), 1);
        QCOMPARE(static_cast<int>(last.at(0).at(1)), 65535 % 62);
    }

    void enableReportAbandonsTheRead_data()
    {
        QTest::addColumn<ESimModel>("model");
        QTest::addColumn<bool>("busTiming");
        QTest::addColumn<QByteArray>("longRead");
        QTest::addColumn<QByteArrayList>("abandon");
        QTest::addColumn<int>("abandonMs");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QByteArray>("shortRead");
        QTest::addColumn<int>("shortReadyMs");

        // 3000 bytes in 49 replies, one per frame from 1 ms on.
        QTest::newRow("A, 1 ms frames")
            << ESimModel::A << false << QByteArray("03 B8 A1 0B") << QByteArrayList{"01 01 00"}
            << 10 << 10 << QByteArray("03 04 A1 00") << 12;
        // Replies at 6, 12, 17 and 23 ms; after it the pointer write is done at 20.19 ms
        // (frame 21) and the read at 20.66 ms (frame 22).
        QTest::newRow("A, bus time")
            << ESimModel::A << true << QByteArray("03 B8 A1 0B") << QByteArrayList{"01 01 00"} << 20
            << 3 << QByteArray("03 04 A1 00") << 22;
        QTest::newRow("B, disable and enable, bus time")
            << ESimModel::B << true << QByteArray("03 00 A1")
            << QByteArrayList{"01 00 00", "01 01 00"} << 13 << 2 << QByteArray("03 04 A1") << 15;
    }

    void enableReportAbandonsTheRead()
    {
        QFETCH(ESimModel, model);
        QFETCH(bool, busTiming);
        QFETCH(QByteArray, longRead);
        QFETCH(QByteArrayList, abandon);
        QFETCH(int, abandonMs);
        QFETCH(int, kept);
        QFETCH(QByteArray, shortRead);
        QFETCH(int, shortReadyMs);

        Open(model, 1ms, busTiming);
        Send({"01 01 00", longRead});
        m_now = m_start + std::chrono::milliseconds(abandonMs);
        Send(abandon);
        // What was readable stays for the host to flush; nothing else of the read follows.
        const QList<QByteArray> flushed = m_hid->ReadAll();
        QCOMPARE(flushed.size(), kept);
        for (const QByteArray &reply : flushed)
            QCOMPARE(static_cast<int>(reply.at(1)), 62);

        // The next transaction is served at once, with its own data.
        Send({"02 C2 A0 00", shortRead});
        m_now = m_start + std::chrono::milliseconds(shortReadyMs) - 1ns;
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>{Report("02 00 00")});
        m_now = m_start + std::chrono::milliseconds(shortReadyMs);
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>{Report("03 04 10 11 12 13")});
        m_now = m_start + 1h;
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>());
    }
};

VTL_TEST_MAIN(TestSimBusTime)
#include "tst_simbustime.moc"
