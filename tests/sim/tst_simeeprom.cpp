// SPDX-License-Identifier: MIT
// The 32 KiB EEPROM at address 0x51 (address byte A2 / A3): two address bytes, 64-byte
// pages, the commit at the stop and the write cycle, on a clock the tests step.
#include "CSimEeprom.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QTest>

#include <chrono>
#include <memory>

using namespace std::chrono_literals;

using Clock = CSimEeprom::Clock;

class TestSimEeprom : public QObject
{
    Q_OBJECT

private:
    Clock::time_point m_now;
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CSimEeprom> m_eeprom;
    std::unique_ptr<CRawHid> m_hid;

    QList<QByteArray> Exchange(const QByteArray &hex)
    {
        m_hid->Write(Report(hex.constData()));
        return m_hid->ReadAll();
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_now = Clock::time_point{} + 1h;
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"E-1");
        m_eeprom = m_adapter->AddSlave(0x51, std::make_shared<CSimEeprom>(CSimEeprom::LARGE));
        m_eeprom->SetClock([this] { return m_now; });
        m_hid = std::make_unique<CRawHid>(m_adapter->GetSpecialPath());
        m_hid->Write(Report("01 01 00"));
    }

    void cleanup()
    {
        m_hid.reset();
        m_eeprom.reset();
        m_adapter.reset();
    }

    void pageWrite_data()
    {
        QTest::addColumn<QByteArray>("write");
        QTest::addColumn<QList<int>>("cells");
        QTest::addColumn<QByteArray>("values"); // of the cells, in hex

        QTest::newRow("two address bytes, high first")
            << QByteArray("02 C5 A2 12 34 AA BB") << QList<int>{0x1234, 0x1235, 0x3412}
            << QByteArray("AA BB FF");
        QTest::newRow("rolls over within its 64-byte page")
            << QByteArray("02 C6 A2 7F FE 01 02 03") << QList<int>{0x7FFE, 0x7FFF, 0x7FC0, 0x0000}
            << QByteArray("01 02 03 FF");
        QTest::newRow("the top address bit is ignored")
            << QByteArray("02 C4 A2 FF FF 5A") << QList<int>{0x7FFF} << QByteArray("5A");
    }

    void pageWrite()
    {
        QFETCH(QByteArray, write);
        QFETCH(QList<int>, cells);
        QFETCH(QByteArray, values);

        QCOMPARE(Exchange(write), QList<QByteArray>{Report("02 00 00")});
        const std::vector<unsigned char> contents = m_eeprom->GetContents();
        QCOMPARE(contents.size(), std::size_t(32768));
        QByteArray actual;
        for (const int cell : cells)
            actual += static_cast<char>(contents.at(static_cast<std::size_t>(cell)));
        QCOMPARE(actual, QByteArray::fromHex(values));
    }

    void commitsOnlyAtTheStop()
    {
        QCOMPARE(Exchange("02 85 A2 00 10 AA BB"), QList<QByteArray>{Report("02 00 00")});
        // A repeated start abandons the page write; nothing was written, so no write cycle.
        QCOMPARE(Exchange("03 02 A3 00"), QList<QByteArray>{Report("03 02 FF FF")});
        QCOMPARE(m_eeprom->GetContents().at(0x10), 0xFF);
        QVERIFY(!m_eeprom->IsWriteCycleRunning());

        QCOMPARE(Exchange("02 85 A2 00 10 AA BB"), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(m_eeprom->GetContents().at(0x10), 0xFF);
        QCOMPARE(Exchange("02 41 CC"), QList<QByteArray>{Report("02 00 00")});
        const std::vector<unsigned char> contents = m_eeprom->GetContents();
        QCOMPARE(ToByteArray({contents.begin() + 0x10, contents.begin() + 0x13}),
                 QByteArray::fromHex("AA BB CC"));
    }

    void writeCycle_data()
    {
        QTest::addColumn<QByteArray>("write");
        QTest::addColumn<bool>("busy");

        QTest::newRow("a page write") << QByteArray("02 C4 A2 00 20 77") << true;
        QTest::newRow("setting the pointer only") << QByteArray("02 C3 A2 00 20") << false;
    }

    void writeCycle()
    {
        QFETCH(QByteArray, write);
        QFETCH(bool, busy);

        QCOMPARE(Exchange(write), QList<QByteArray>{Report("02 00 00")});
        const QList<QByteArray> nack{Report("02 80 03")};
        const QList<QByteArray> ack{Report("02 00 00")};
        // Polling with an address-only write, as a host waits for the chip.
        QCOMPARE(Exchange("02 C1 A2"), busy ? nack : ack);
        QCOMPARE(Exchange("03 01 A3 00"),
                 busy ? QList<QByteArray>{Report("03 80")} : QList<QByteArray>{Report("03 01 FF")});
        m_now += 4999us;
        QCOMPARE(Exchange("02 C1 A2"), busy ? nack : ack);
        m_now += 1us;
        QCOMPARE(Exchange("02 C1 A2"), ack);
        QCOMPARE(Exchange("02 C3 A2 00 20"), ack);
        QCOMPARE(Exchange("03 01 A3 00"),
                 QList<QByteArray>{busy ? Report("03 01 77") : Report("03 01 FF")});
    }

    void sequentialReadWrapsAtTheEnd()
    {
        m_eeprom->SetContents(0x7FFE, {0xA1, 0xA2});
        m_eeprom->SetContents(0, {0xB1, 0xB2});
        QCOMPARE(Exchange("02 C3 A2 7F FE"), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange("03 04 A3 00"), QList<QByteArray>{Report("03 04 A1 A2 B1 B2")});
        QCOMPARE(m_eeprom->GetAddressPointer(), 2);
    }
};

VTL_TEST_MAIN(TestSimEeprom)
#include "tst_simeeprom.moc"
