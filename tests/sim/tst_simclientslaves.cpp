// SPDX-License-Identifier: MIT
// The pressure sensor and the display controller, driven through write and read requests
// as a host program drives them.
#include "CSimDisplayController.h"
#include "CSimPressureSensor.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestSimClientSlaves : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CRawHid> m_hid;

    void Open()
    {
        m_hid = std::make_unique<CRawHid>(m_adapter->GetSpecialPath());
        m_hid->Write(Report("01 01 01"));
    }

    // One write transaction of the hex bytes (at most 61) to a 7-bit address.
    bool Write(std::uint8_t address, const QString &hex)
    {
        const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
        QByteArray request = Report("02");
        request[1] = static_cast<char>(0xC0 | (bytes.size() + 1));
        request[2] = static_cast<char>(address << 1);
        request.replace(3, bytes.size(), bytes);
        m_hid->Write(request);
        return m_hid->ReadAll() == QList<QByteArray>{Report("02 00 00")};
    }

    // One read transaction of up to 62 bytes.
    QByteArray Read(std::uint8_t address, int count)
    {
        QByteArray request = Report("03");
        request[1] = static_cast<char>(count);
        request[2] = static_cast<char>((address << 1) | 1);
        m_hid->Write(request);
        const QList<QByteArray> replies = m_hid->ReadAll();
        return replies.size() == 1 ? replies.at(0).mid(2, replies.at(0).at(1) & 0x3F) : "?";
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"S-1");
    }

    void cleanup()
    {
        m_hid.reset();
        m_adapter.reset();
    }

    void pressureSensor_data()
    {
        QTest::addColumn<QString>("writes");   // transactions separated by '|'
        QTest::addColumn<QString>("readFrom"); // register, then the byte count
        QTest::addColumn<QByteArray>("bytes");

        QTest::newRow("chip ID") << u""_s << u"D0 1"_s << Hex("60");
        QTest::newRow("chip ID read-only") << u"D0 55"_s << u"D0 1"_s << Hex("60");
        QTest::newRow("trimming T and P")
            << u""_s << u"88 24"_s
            << Hex("706B 4367 18FC 7D8E 43D6 D00B 270B 8C00 F9FF 8C3C F8C6 7017");
        QTest::newRow("trimming H1") << u""_s << u"A1 1"_s << Hex("4B");
        QTest::newRow("trimming H2-H6") << u""_s << u"E1 7"_s << Hex("6A01 0C 13 29 03 1E");
        QTest::newRow("no measurement yet") << u""_s << u"F7 8"_s << Hex("800000 800000 8000");
        QTest::newRow("forced") << u"F2 01 F4 25"_s << u"F7 8"_s << Hex("655AC0 7EED00 71AC");
        QTest::newRow("forced returns to sleep")
            << u"F2 01 F4 25"_s << u"F2 4"_s << Hex("01 00 24 00");
        QTest::newRow("pressure skipped")
            << u"F2 01 F4 21"_s << u"F7 8"_s << Hex("800000 7EED00 71AC");
        QTest::newRow("humidity skipped") << u"F4 26"_s << u"F7 8"_s << Hex("655AC0 7EED00 8000");
        QTest::newRow("normal mode stays") << u"F4 27"_s << u"F4 1"_s << Hex("27");
        QTest::newRow("pairs in one write") << u"F2 03 F5 A0"_s << u"F2 4"_s << Hex("03 00 00 A0");
        QTest::newRow("reset") << u"F2 01 F4 25 F5 A0|E0 B6"_s << u"F2 13"_s
                               << Hex("00 00 00 00 00 800000 800000 8000");
        QTest::newRow("other reset word") << u"F5 A0|E0 B5"_s << u"F5 1"_s << Hex("A0");
    }

    void pressureSensor()
    {
        QFETCH(QString, writes);
        QFETCH(QString, readFrom);
        QFETCH(QByteArray, bytes);

        m_adapter->AddSlave(0x76, std::make_shared<CSimPressureSensor>());
        Open();
        for (const QString &write : writes.split(u'|', Qt::SkipEmptyParts))
            QVERIFY(Write(0x76, write));
        const QStringList read = readFrom.split(u' ');
        QVERIFY(Write(0x76, read.at(0)));
        QCOMPARE(Read(0x76, read.at(1).toInt()), bytes);
    }

    void displayController_data()
    {
        QTest::addColumn<QString>("writes");
        QTest::addColumn<QString>("cells"); // "offset:hex" where the RAM is not zero
        QTest::addColumn<int>("status");

        QTest::newRow("page mode") << u"00 B2 05 11|40 AA BB"_s << u"0115:AA 0116:BB"_s << 0x40;
        QTest::newRow("page mode wraps in its page")
            << u"00 B0 0F 17|40 01 02"_s << u"007F:01 0000:02"_s << 0x40;
        QTest::newRow("horizontal window") << u"00 20 00 21 7E 7F 22 01 02|40 01 02 03 04 05"_s
                                           << u"00FE:05 00FF:02 017E:03 017F:04"_s << 0x40;
        QTest::newRow("vertical window") << u"00 20 01 21 10 11 22 00 01|40 01 02 03 04"_s
                                         << u"0010:01 0090:02 0011:03 0091:04"_s << 0x40;
        QTest::newRow("Co set: one byte per control byte")
            << u"80 B3 80 02 C0 AA 40 BB CC"_s << u"0182:AA 0183:BB 0184:CC"_s << 0x40;
        QTest::newRow("arguments are not commands")
            << u"00 D3 B5 81 B1 26 00 B1 00 B2 00 FF 29 00 B1 00 B2 01 B4|40 EE"_s << u"0200:EE"_s
            << 0x40;
        QTest::newRow("invalid addressing mode ignored")
            << u"00 20 03 B1 21 00 7F|40 01 02"_s << u"0080:01 0081:02"_s << 0x40;
        QTest::newRow("display on") << u"00 AE AF"_s << u""_s << 0x00;
    }

    void displayController()
    {
        QFETCH(QString, writes);
        QFETCH(QString, cells);
        QFETCH(int, status);

        auto display = m_adapter->AddSlave(0x3C, std::make_shared<CSimDisplayController>());
        Open();
        for (const QString &write : writes.split(u'|'))
            QVERIFY(Write(0x3C, write));
        std::vector<std::uint8_t> expected(CSimDisplayController::RAM_SIZE, 0);
        for (const QString &cell : cells.split(u' ', Qt::SkipEmptyParts))
            expected.at(cell.left(4).toUInt(nullptr, 16)) =
                static_cast<std::uint8_t>(cell.mid(5).toUInt(nullptr, 16));
        QCOMPARE(display->FrameBuffer(), expected);
        QCOMPARE(Read(0x3C, 1), QByteArray(1, static_cast<char>(status)));
    }
};

VTL_TEST_MAIN(TestSimClientSlaves)
#include "tst_simclientslaves.moc"
