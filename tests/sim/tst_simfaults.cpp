// SPDX-License-Identifier: MIT
// Faults armed on a simulated adapter, as a host sees them through hidapi.
#include "CSimEeprom.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QElapsedTimer>
#include <QTest>

#include <chrono>
#include <memory>
#include <thread>

using namespace std::chrono_literals;

using namespace Qt::StringLiterals;

class TestSimFaults : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;
    std::shared_ptr<CSimEeprom> m_eeprom;
    std::unique_ptr<CRawHid> m_hid;

    void Open()
    {
        m_hid = std::make_unique<CRawHid>(m_adapter->GetSpecialPath());
        QVERIFY(m_hid->IsOpen());
        QCOMPARE(m_hid->Write(Report("01 01 00")), 64);
    }

    QList<QByteArray> Exchange(const char *hex)
    {
        m_hid->Write(Report(hex));
        return m_hid->ReadAll();
    }

    QList<QByteArray> Exchange(const QByteArray &report)
    {
        m_hid->Write(report);
        return m_hid->ReadAll();
    }

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"F-1");
        m_eeprom = m_adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
        m_eeprom->SetContents(0, {0x10, 0x11, 0x12, 0x13});
    }

    void cleanup()
    {
        m_hid.reset();
        m_eeprom.reset();
        m_adapter.reset();
    }

    void dropReplies()
    {
        Open();
        m_adapter->DropReplies(2);
        QCOMPARE(Exchange("02 C1 A0"), QList<QByteArray>());
        QCOMPARE(Exchange("02 C1 A0"), QList<QByteArray>());
        QCOMPARE(Exchange("02 C1 A0"), QList<QByteArray>{Report("02 00 00")});
    }

    void dropOneReplyOfARead()
    {
        Open();
        m_adapter->DropReplies(1);
        const QList<QByteArray> replies = Exchange("03 64 A1 00");
        QCOMPARE(replies.size(), 1);
        QCOMPARE(static_cast<int>(replies.at(0).at(1)), 38);
    }

    void strayReportsComeBeforeTheNextReply()
    {
        Open();
        m_adapter->InjectStrayReport(ToBytes(Hex("05 01")));
        m_adapter->InjectStrayReport(ToBytes(Hex("02")));
        m_adapter->InjectStrayReport(ToBytes(Report("04 00 00")));
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>());
        // Enable reports have no reply, so the strays wait for the write reply.
        QCOMPARE(Exchange("01 01 00"), QList<QByteArray>());
        const QList<QByteArray> expected{Hex("05 01"), Hex("02"), Report("04 00 00"),
                                         Report("02 00 00")};
        QCOMPARE(Exchange("02 C1 A0"), expected);
        QCOMPARE(Exchange("02 C1 A0"), QList<QByteArray>{Report("02 00 00")});
    }

    void forcedStatus_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("errorCode");
        QTest::addColumn<QByteArray>("firstReply"); // its leading bytes
        QTest::addColumn<int>("replyCount");

        QTest::newRow("write, arbitration lost")
            << Report("02 C1 A0") << 0x40 << 0 << Report("02 40 00") << 1;
        QTest::newRow("write, bus error")
            << Report("02 C1 A0") << 0x80 << 4 << Report("02 80 04") << 1;
        QTest::newRow("write, unknown code")
            << Report("02 C1 A0") << 0x80 << 0x17 << Report("02 80 17") << 1;
        QTest::newRow("write, code 0")
            << Report("02 C1 A0") << 0x80 << 0 << Report("02 80 00") << 1;
        QTest::newRow("write, over a NACK")
            << Report("02 C1 E0") << 0x40 << 0 << Report("02 40 00") << 1;
        QTest::newRow("read, arbitration lost")
            << Report("03 02 A1 00") << 0x40 << 0 << Hex("03 40 10 11") << 1;
        QTest::newRow("read of 100, NACK ends it")
            << Report("03 64 A1 00") << 0x80 << 0 << Hex("03 80 10 11 12 13 FF") << 1;
        QTest::newRow("read of 100, count 5")
            << Report("03 64 A1 00") << 0x05 << 0 << Hex("03 05 10 11 12 13 FF") << 2;
        QTest::newRow("read, status 0x00")
            << Report("03 02 A1 00") << 0x00 << 0 << Hex("03 00 10 11") << 1;
    }

    void forcedStatus()
    {
        QFETCH(QByteArray, request);
        QFETCH(int, status);
        QFETCH(int, errorCode);
        QFETCH(QByteArray, firstReply);
        QFETCH(int, replyCount);

        Open();
        QCOMPARE(Exchange("02 C2 A0 00"), QList<QByteArray>{Report("02 00 00")});
        m_adapter->ForceNextStatus(static_cast<std::uint8_t>(status),
                                   static_cast<std::uint8_t>(errorCode));
        const QList<QByteArray> received = Exchange(request);
        QCOMPARE(received.size(), replyCount);
        QCOMPARE(received.first().left(firstReply.size()), firstReply);
        // The fault is used up.
        QCOMPARE(Exchange("02 C1 A0"), QList<QByteArray>{Report("02 00 00")});
    }

    void forcedErrorEndsTheTransaction()
    {
        Open();
        m_adapter->ForceNextStatus(0x80, 4);
        QCOMPARE(Exchange("02 82 A0 00"), QList<QByteArray>{Report("02 80 04")});
        QVERIFY(!m_adapter->IsTransactionOpen());
        QCOMPARE(Exchange("02 41 55"), QList<QByteArray>{Report("02 80 02")});
    }

    void oversizedAnnouncement()
    {
        Open();
        m_adapter->AnnounceOversizedRead();
        // A write reply and a NACK leave the fault armed for the next read with data.
        QCOMPARE(Exchange("02 C2 A0 00"), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(Exchange("03 01 E1 00"), QList<QByteArray>{Report("03 80")});
        const QList<QByteArray> replies = Exchange("03 64 A1 00");
        QCOMPARE(replies.size(), 2);
        QCOMPARE(static_cast<int>(replies.at(0).at(1)), 63);
        QCOMPARE(replies.at(0).mid(2, 4), Hex("10 11 12 13"));
        QCOMPARE(replies.at(0).mid(6), QByteArray(58, '\xFF'));
        QCOMPARE(static_cast<int>(replies.at(1).at(1)), 38);
        QCOMPARE(static_cast<int>(Exchange("03 01 A1 00").value(0).at(1)), 1);
    }

    void shortWrite()
    {
        Open();
        m_adapter->ClearReports();
        m_adapter->ShortenNextWrite(10);
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), 10);
        QCOMPARE(m_hid->Error(), u"Success"_s);
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>());
        QVERIFY(m_adapter->GetSpecialReports().empty());
        QCOMPARE(Exchange("02 C1 A0"), QList<QByteArray>{Report("02 00 00")});
        QCOMPARE(m_hid->Error(), u"Success"_s);
    }

    void shortWriteSpareSmallReports()
    {
        Open();
        m_adapter->ShortenNextWrite(10, 2);
        QCOMPARE(m_hid->Write(Hex("02 C1 A0")), 3);
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), 10);
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), 10);
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), 64);
    }

    void openDenied()
    {
        m_adapter->SetOpenDenied(true);
        const std::string path = m_adapter->GetSpecialPath();
        CRawHid denied(path);
        QVERIFY(!denied.IsOpen());
        QCOMPARE(GlobalHidError(),
                 u"Failed to open a device with path '%1': Permission denied"_s.arg(
                     QString::fromStdString(path)));
        m_adapter->SetOpenDenied(false);
        CRawHid allowed(path);
        QVERIFY(allowed.IsOpen());
        QCOMPARE(GlobalHidError(), u"Success"_s);
    }

    void unplugFailsOpenHandles()
    {
        Open();
        CRawHid io(m_adapter->GetPath(0));
        QVERIFY(io.IsOpen());
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), 64);
        m_adapter->Unplug();

        QVERIFY(!m_adapter->IsPlugged());
        QCOMPARE(hid_enumerate(0, 0), nullptr);
        QCOMPARE(m_adapter->GetSpecialPath(), std::string());
        // The reply that was waiting is gone with the device.
        QCOMPARE(m_hid->Read(0), QByteArray());
        QCOMPARE(m_hid->LastResult(), -1);
        QCOMPARE(m_hid->Error(), u"Device disconnected"_s);
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), -1);
        QCOMPARE(m_hid->Error(), u"No such device"_s);
        QCOMPARE(io.Write(Report("02 C1 A0")), -1);
        QCOMPARE(io.Read(-1), QByteArray());
        QCOMPARE(io.LastResult(), -1);
    }

    void unplugWakesABlockedReader()
    {
        Open();
        int result = 0;
        std::thread reader([this, &result] {
            unsigned char buffer[64];
            result = hid_read_timeout(m_hid->Get(), buffer, sizeof buffer, -1);
        });
        std::this_thread::sleep_for(50ms);
        m_adapter->Unplug();
        reader.join();
        QCOMPARE(result, -1);
    }

    void replugNeedsANewOpen()
    {
        Open();
        const std::string oldPath = m_adapter->GetSpecialPath();
        m_adapter->Unplug();
        CRawHid whileGone(oldPath);
        QVERIFY(!whileGone.IsOpen());
        QCOMPARE(GlobalHidError(),
                 u"Failed to open a device with path '%1': No such file or directory"_s.arg(
                     QString::fromStdString(oldPath)));
        m_adapter->Plug();

        QVERIFY(m_adapter->IsPlugged());
        const std::string newPath = m_adapter->GetSpecialPath();
        QVERIFY(!newPath.empty());
        QVERIFY(newPath != oldPath);
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), -1);
        QCOMPARE(m_adapter->GetOpenHandleCount(), 0);

        CRawHid fresh(newPath);
        QVERIFY(fresh.IsOpen());
        // Power came back: the I2C function is off until it is enabled again.
        QVERIFY(!m_adapter->IsI2cEnabled());
        fresh.Write(Report("02 C1 A0"));
        QCOMPARE(fresh.ReadAll(), QList<QByteArray>());
        fresh.Write(Report("01 01 00"));
        fresh.Write(Report("02 C1 A0"));
        QCOMPARE(fresh.ReadAll(), QList<QByteArray>{Report("02 00 00")});
        // The EEPROM kept its contents across the power cycle.
        QCOMPARE(m_eeprom->GetContents().at(0), 0x10);
    }

    void detachIsForGood()
    {
        Open();
        m_adapter->Detach();
        QVERIFY(CSimBus::Instance().GetAdapters().empty());
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), -1);
        m_adapter->Plug();
        QVERIFY(!m_adapter->IsPlugged());
        QCOMPARE(hid_enumerate(0, 0), nullptr);
    }

    void clearFaults()
    {
        Open();
        m_adapter->DropReplies(3);
        m_adapter->ForceNextStatus(0x40);
        m_adapter->InjectStrayReport(ToBytes(Hex("09")));
        m_adapter->ShortenNextWrite(1);
        m_adapter->SetOpenDenied(true);
        m_adapter->ClearFaults();
        QCOMPARE(Exchange("02 C1 A0"), QList<QByteArray>{Report("02 00 00")});
        QVERIFY(CRawHid(m_adapter->GetSpecialPath()).IsOpen());
    }

    void pushedInputReport()
    {
        Open();
        m_adapter->PushInputReport(ToBytes(Report("03 01 77")));
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>{Report("03 01 77")});
    }

    void blockingReadWaitsForTheFrameBoundary()
    {
        // The exact frame times are checked on a stepped clock in tst_simbus; this is
        // the real-time wait of a blocking read for a reply that is not yet due.
        Open();
        m_adapter->SetFramePeriod(1s);
        QCOMPARE(m_hid->Write(Report("02 C1 A0")), 64);
        QCOMPARE(m_hid->Read(0), QByteArray());
        QCOMPARE(m_hid->LastResult(), 0);
        QCOMPARE(m_hid->Read(5000), Report("02 00 00"));
    }

    void readTimeouts()
    {
        Open();
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(m_hid->Read(0), QByteArray());
        QCOMPARE(m_hid->LastResult(), 0);
        timer.restart();
        QCOMPARE(m_hid->Read(150), QByteArray());
        QCOMPARE(m_hid->LastResult(), 0);
        QVERIFY2(timer.elapsed() >= 145, qPrintable(QString::number(timer.elapsed())));

        std::thread pusher([this] {
            std::this_thread::sleep_for(50ms);
            m_adapter->PushInputReport(ToBytes(Report("02 00 00")));
        });
        QCOMPARE(m_hid->Read(-1), Report("02 00 00"));
        pusher.join();
    }
};

VTL_TEST_MAIN(TestSimFaults)
#include "tst_simfaults.moc"
