// SPDX-License-Identifier: MIT
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "CSimpleHidClass.h"
#include "VtlTestMain.h"

#include <QTest>

#include <VtlUsbIds.h>
#include <atomic>
#include <chrono>
#include <thread>

Q_DECLARE_METATYPE(ESimModel)

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Report(std::initializer_list<unsigned char> head)
{
    Bytes report(head);
    report.resize(64, 0);
    return report;
}

} // namespace

using namespace Qt::StringLiterals;

class TestSimpleHidClass : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<CSimAdapter> m_adapter;

private Q_SLOTS:
    void init()
    {
        CSimBus::Instance().Reset();
        m_adapter = CSimBus::Instance().Attach(ESimModel::A, L"H-1");
        m_adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
    }

    void cleanup() { m_adapter.reset(); }

    void libraryInitialisedWhileObjectsExist()
    {
        CSimBus &bus = CSimBus::Instance();
        auto first = std::make_unique<CSimpleHidClass>();
        QCOMPARE(bus.GetInitCount(), 1);
        auto second = std::make_unique<CSimpleHidClass>();
        QCOMPARE(bus.GetInitCount(), 1);
        first.reset();
        QCOMPARE(bus.GetExitCount(), 0);
        second.reset();
        QCOMPARE(bus.GetExitCount(), 1);
        CSimpleHidClass third;
        QCOMPARE(bus.GetInitCount(), 2);
    }

    void exchange()
    {
        CSimpleHidClass hid;
        QVERIFY(!hid.IsOpen());
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        QVERIFY(hid.IsOpen());
        QVERIFY(hid.Write(Report({0x01, 0x01, 0x00})));
        QVERIFY(hid.Write(Report({0x02, 0xC1, 0xA0})));
        Bytes buffer;
        QVERIFY(hid.Read(buffer, 64, 1000));
        QCOMPARE(buffer, Report({0x02, 0x00, 0x00}));
        QVERIFY(hid.Write(Report({0x02, 0xC1, 0xA0})));
        // A shorter buffer takes the start of the report.
        QVERIFY(hid.Read(buffer, 3, 1000));
        QCOMPARE(buffer, (Bytes{0x02, 0x00, 0x00}));
        QCOMPARE(m_adapter->GetSpecialReports().size(), std::size_t(3));
        QCOMPARE(m_adapter->GetSpecialReports().at(1), Report({0x02, 0xC1, 0xA0}));
    }

    void openTwice()
    {
        CSimpleHidClass hid;
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        QVERIFY(!hid.OpenPath(m_adapter->GetPath(0)));
        QCOMPARE(hid.GetLastError(), std::string("Device already open"));
        QVERIFY(hid.IsOpen());
        // Still the first device: the special-mode interface answers.
        QVERIFY(hid.Write(Report({0x01, 0x01, 0x00})));
        QVERIFY(hid.Write(Report({0x02, 0xC1, 0xA0})));
        Bytes buffer;
        QVERIFY(hid.Read(buffer, 64, 0));
        QCOMPARE(m_adapter->GetReports(0).size(), std::size_t(0));
        hid.Close();
        QVERIFY(!hid.IsOpen());
        QVERIFY(hid.OpenPath(m_adapter->GetPath(0)));
    }

    void openFails_data()
    {
        QTest::addColumn<bool>("denied");
        QTest::addColumn<QString>("reason");

        QTest::newRow("no such path") << false << u"No such file or directory"_s;
        QTest::newRow("permission denied") << true << u"Permission denied"_s;
    }

    void openFails()
    {
        QFETCH(bool, denied);
        QFETCH(QString, reason);

        const std::string path = denied ? m_adapter->GetSpecialPath() : std::string("sim:none");
        m_adapter->SetOpenDenied(denied);
        CSimpleHidClass hid;
        QVERIFY(!hid.OpenPath(path));
        QVERIFY(!hid.IsOpen());
        QCOMPARE(QString::fromStdString(hid.GetLastError()),
                 u"Failed to open a device with path '%1': %2"_s.arg(QString::fromStdString(path),
                                                                     reason));
    }

    void closedObject()
    {
        CSimpleHidClass hid;
        Bytes buffer{1, 2, 3};
        QVERIFY(!hid.Write(Report({0x02})));
        QCOMPARE(hid.GetLastError(), std::string("Device not open"));
        hid.Close();
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        hid.Close();
        hid.Close();
        QVERIFY(!hid.Read(buffer, 64, 0));
        QCOMPARE(hid.GetLastError(), std::string("Device not open"));
        QCOMPARE(m_adapter->GetOpenHandleCount(), 0);
    }

    void partialWrite()
    {
        CSimpleHidClass hid;
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        m_adapter->ShortenNextWrite(10);
        QVERIFY(!hid.Write(Report({0x01, 0x01, 0x00})));
        QCOMPARE(hid.GetLastError(), std::string("Short write: 10 of 64 bytes written"));
        QVERIFY(hid.IsOpen());
        QVERIFY(hid.Write(Report({0x01, 0x01, 0x00})));
    }

    void readTimeoutZero()
    {
        CSimpleHidClass hid;
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        Bytes buffer(64, 0xAA);
        QVERIFY(!hid.Read(buffer, 64, 0));
        QCOMPARE(hid.GetLastError(), std::string("Timeout"));
        QVERIFY(buffer.empty());
    }

    void successKeepsTheLastError()
    {
        CSimpleHidClass hid;
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        Bytes buffer;
        QVERIFY(!hid.Read(buffer, 64, 0));
        m_adapter->PushInputReport(Report({0x03, 0x01, 0x42}));
        QVERIFY(hid.Read(buffer, 64, 0));
        QVERIFY(hid.Write(Report({0x01, 0x01, 0x00})));
        QCOMPARE(hid.GetLastError(), std::string("Timeout"));
    }

    void unpluggedDevice()
    {
        CSimpleHidClass hid;
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        m_adapter->Unplug();
        Bytes buffer(4, 1);
        QVERIFY(!hid.Read(buffer, 64, 1000));
        QCOMPARE(hid.GetLastError(), std::string("Device disconnected"));
        QVERIFY(buffer.empty());
        QVERIFY(!hid.Write(Report({0x01, 0x01, 0x00})));
        QCOMPARE(hid.GetLastError(), std::string("No such device"));
        QVERIFY(hid.IsOpen());
        hid.Close();
        QVERIFY(!hid.IsOpen());
    }

    void readWithoutLimitWaitsForAReport()
    {
        CSimpleHidClass hid;
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        std::thread pusher([this] {
            std::this_thread::sleep_for(50ms);
            m_adapter->PushInputReport(Report({0x02, 0x00, 0x00}));
        });
        Bytes buffer;
        const bool received = hid.Read(buffer, 64, -1);
        pusher.join();
        QVERIFY(received);
        QCOMPARE(buffer, Report({0x02, 0x00, 0x00}));
    }

    void concurrentCallers()
    {
        // One object used from three threads. A read holds the device lock while it
        // waits, so the reader polls with short time-outs to let the writer in.
        CSimpleHidClass hid;
        QVERIFY(hid.OpenPath(m_adapter->GetSpecialPath()));
        QVERIFY(hid.Write(Report({0x01, 0x01, 0x00})));
        constexpr int EXCHANGES = 200;
        std::atomic<int> written = 0;
        std::atomic<int> replies = 0;
        std::atomic<bool> done = false;
        std::thread writer([&] {
            for (int i = 0; i < EXCHANGES; ++i)
                written += hid.Write(Report({0x02, 0xC1, 0xA0})) ? 1 : 0;
        });
        std::thread reader([&] {
            Bytes buffer;
            const auto deadline = std::chrono::steady_clock::now() + 20s;
            while (replies < EXCHANGES && std::chrono::steady_clock::now() < deadline) {
                if (hid.Read(buffer, 64, 5) && buffer == Report({0x02, 0x00, 0x00}))
                    ++replies;
            }
            done = true;
        });
        std::thread observer([&] {
            while (!done)
                static_cast<void>(hid.GetLastError());
        });
        writer.join();
        reader.join();
        observer.join();
        QCOMPARE(written.load(), EXCHANGES);
        QCOMPARE(replies.load(), EXCHANGES);
    }

    void enumerateCompositeAdapter_data()
    {
        QTest::addColumn<ESimModel>("model");
        QTest::addColumn<int>("productId");
        QTest::addColumn<QList<int>>("interfaces");

        QTest::newRow("A") << ESimModel::A << int(VTL_USB_PRODUCT_ID_A) << QList<int>{0, 1, 2};
        QTest::newRow("B") << ESimModel::B << int(VTL_USB_PRODUCT_ID_B) << QList<int>{0, 1};
        QTest::newRow("C") << ESimModel::C << int(VTL_USB_PRODUCT_ID_C) << QList<int>{0, 1, 2};
    }

    void enumerateCompositeAdapter()
    {
        QFETCH(ESimModel, model);
        QFETCH(int, productId);
        QFETCH(QList<int>, interfaces);

        m_adapter->Detach();
        SSimAdapterConfig config = SSimAdapterConfig::ForModel(model, L"S\u00E9rie-7");
        config.releaseNumber = 0x0421;
        auto adapter = CSimBus::Instance().Attach(config);
        std::vector<SHidDeviceInfo> records(3);
        QVERIFY(CSimpleHidClass::EnumerateDevices(records, VTL_USB_VENDOR_ID,
                                                  static_cast<std::uint16_t>(productId)));
        QList<int> numbers;
        for (const SHidDeviceInfo &record : records) {
            numbers.append(record.interfaceNumber);
            QCOMPARE(record.path, adapter->GetPath(record.interfaceNumber));
            QCOMPARE(record.vendorId, VTL_USB_VENDOR_ID);
            QCOMPARE(int(record.productId), productId);
            QCOMPARE(record.serialNumber, std::wstring(L"S\u00E9rie-7"));
            QCOMPARE(record.manufacturerString, *config.manufacturer);
            QCOMPARE(record.productString, *config.product);
            QCOMPARE(int(record.releaseNumber), 0x0421);
            QCOMPARE(int(record.usagePage), 0xFF00);
            QCOMPARE(int(record.usage), record.interfaceNumber == SimSpecialInterface(model)
                                            ? 0x0001
                                        : record.interfaceNumber == 0 ? 0x0002
                                                                      : 0x0003);
        }
        QCOMPARE(numbers, interfaces);
    }

    void enumerateWithoutSerial()
    {
        SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::B);
        config.product.reset();
        CSimBus::Instance().Attach(config);
        std::vector<SHidDeviceInfo> records;
        QVERIFY(
            CSimpleHidClass::EnumerateDevices(records, VTL_USB_VENDOR_ID, VTL_USB_PRODUCT_ID_B));
        QCOMPARE(records.size(), std::size_t(2));
        QVERIFY(records.at(0).serialNumber.empty());
        QVERIFY(records.at(0).productString.empty());
        QVERIFY(!records.at(0).path.empty());
    }

    void enumerateNothing()
    {
        std::vector<SHidDeviceInfo> records(2);
        QVERIFY(
            CSimpleHidClass::EnumerateDevices(records, VTL_USB_VENDOR_ID, VTL_USB_PRODUCT_ID_C));
        QVERIFY(records.empty());
        m_adapter->Unplug();
        QVERIFY(CSimpleHidClass::EnumerateDevices(records, 0, 0));
        QVERIFY(records.empty());
    }
};

VTL_TEST_MAIN(TestSimpleHidClass)
#include "tst_csimplehidclass.moc"
