// SPDX-License-Identifier: MIT
// The simulated bus as the hidapi functions show it: enumeration, handles, threads,
// bad input, the report log and the preset bench.
#include "CSimEeprom.h"
#include "CSimPresetBench.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QTest>

#include <VtlUsbIds.h>
#include <atomic>
#include <chrono>
#include <set>
#include <thread>

Q_DECLARE_METATYPE(ESimModel)

using namespace std::chrono_literals;

using namespace Qt::StringLiterals;

namespace {

struct SRecord
{
    std::string path;
    unsigned short vendorId = 0;
    unsigned short productId = 0;
    bool hasSerial = false;
    QString serial;
    QString product;
    QString manufacturer;
    unsigned short release = 0;
    unsigned short usagePage = 0;
    int interfaceNumber = -1;
};

QString FromWide(const wchar_t *text)
{
    return text != nullptr ? QString::fromWCharArray(text) : QString();
}

QList<SRecord> Enumerate(unsigned short vendorId = 0, unsigned short productId = 0)
{
    QList<SRecord> records;
    hid_device_info *list = hid_enumerate(vendorId, productId);
    for (const hid_device_info *info = list; info != nullptr; info = info->next) {
        records.append({info->path, info->vendor_id, info->product_id,
                        info->serial_number != nullptr, FromWide(info->serial_number),
                        FromWide(info->product_string), FromWide(info->manufacturer_string),
                        info->release_number, info->usage_page, info->interface_number});
    }
    hid_free_enumeration(list);
    return records;
}

QList<int> InterfaceNumbers(const QList<SRecord> &records)
{
    QList<int> numbers;
    for (const SRecord &record : records)
        numbers.append(record.interfaceNumber);
    return numbers;
}

} // namespace

class TestSimBus : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CSimBus::Instance().Reset(); }

    void enumeration_data()
    {
        QTest::addColumn<ESimModel>("model");
        QTest::addColumn<bool>("twice");
        QTest::addColumn<bool>("omit");
        QTest::addColumn<QList<int>>("interfaces");
        QTest::addColumn<int>("productId");

        QTest::newRow("A") << ESimModel::A << false << false << QList<int>{0, 1, 2}
                           << int(VTL_USB_PRODUCT_ID_A);
        QTest::newRow("B") << ESimModel::B << false << false << QList<int>{0, 1}
                           << int(VTL_USB_PRODUCT_ID_B);
        QTest::newRow("C") << ESimModel::C << false << false << QList<int>{0, 1, 2}
                           << int(VTL_USB_PRODUCT_ID_C);
        QTest::newRow("A, special listed twice")
            << ESimModel::A << true << false << QList<int>{0, 1, 2, 2} << int(VTL_USB_PRODUCT_ID_A);
        QTest::newRow("B, special listed twice")
            << ESimModel::B << true << false << QList<int>{0, 1, 1} << int(VTL_USB_PRODUCT_ID_B);
        QTest::newRow("A without special")
            << ESimModel::A << false << true << QList<int>{0, 1} << int(VTL_USB_PRODUCT_ID_A);
        QTest::newRow("B without special")
            << ESimModel::B << false << true << QList<int>{0} << int(VTL_USB_PRODUCT_ID_B);
    }

    void enumeration()
    {
        QFETCH(ESimModel, model);
        QFETCH(bool, twice);
        QFETCH(bool, omit);
        QFETCH(QList<int>, interfaces);
        QFETCH(int, productId);

        SSimAdapterConfig config = SSimAdapterConfig::ForModel(model, L"E-42");
        config.listSpecialInterfaceTwice = twice;
        config.omitSpecialInterface = omit;
        config.releaseNumber = 0x0217;
        CSimBus::Instance().Attach(config);

        const QList<SRecord> records = Enumerate();
        QCOMPARE(InterfaceNumbers(records), interfaces);
        std::set<std::string> paths;
        for (const SRecord &record : records) {
            paths.insert(record.path);
            QCOMPARE(record.vendorId, VTL_USB_VENDOR_ID);
            QCOMPARE(int(record.productId), productId);
            QCOMPARE(record.serial, u"E-42"_s);
            QVERIFY(!record.product.isEmpty());
            QCOMPARE(record.manufacturer, u"Vantrel"_s);
            QCOMPARE(int(record.release), 0x0217);
            QCOMPARE(int(record.usagePage), 0xFF00);
        }
        QCOMPARE(paths.size(), std::size_t(records.size()));
        QCOMPARE(InterfaceNumbers(Enumerate()), interfaces);

        // Every listed copy of the special-mode interface answers.
        for (const SRecord &record : records) {
            if (record.interfaceNumber != SimSpecialInterface(model))
                continue;
            CRawHid hid(record.path);
            QVERIFY(hid.IsOpen());
            hid.Write(Report("01 01 00"));
            hid.Write(Report("02 C1 A0"));
            QCOMPARE(hid.ReadAll(), QList<QByteArray>{Report("02 80 03")});
        }
    }

    void enumerationOrderAndFilter()
    {
        CSimBus &bus = CSimBus::Instance();
        bus.Attach(ESimModel::B, L"2");
        bus.Attach(ESimModel::A, L"1");
        SSimAdapterConfig foreign = SSimAdapterConfig::ForModel(ESimModel::A, L"X");
        foreign.vendorId = 0x1234;
        bus.Attach(foreign);
        bus.Attach(ESimModel::A, L"3");

        QCOMPARE(InterfaceNumbers(Enumerate()), (QList<int>{0, 1, 0, 1, 2, 0, 1, 2, 0, 1, 2}));
        const QList<SRecord> modelA = Enumerate(VTL_USB_VENDOR_ID, VTL_USB_PRODUCT_ID_A);
        QStringList serials;
        for (const SRecord &record : modelA)
            serials.append(record.serial);
        QCOMPARE(serials, (QStringList{u"1"_s, u"1"_s, u"1"_s, u"3"_s, u"3"_s, u"3"_s}));
        QCOMPARE(Enumerate(VTL_USB_VENDOR_ID, 0).size(), 8);
        QCOMPARE(Enumerate(0x1234, 0).size(), 3);
        QCOMPARE(Enumerate(VTL_USB_VENDOR_ID, 0x0999).size(), 0);
    }

    void missingStrings()
    {
        SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::C);
        config.product.reset();
        config.manufacturer = std::wstring();
        CSimBus::Instance().Attach(config);
        hid_device_info *list = hid_enumerate(0, 0);
        QVERIFY(list != nullptr);
        QCOMPARE(list->serial_number, nullptr);
        QCOMPARE(list->product_string, nullptr);
        QVERIFY(list->manufacturer_string != nullptr);
        QCOMPARE(list->manufacturer_string[0], L'\0');
        hid_free_enumeration(list);
        hid_free_enumeration(nullptr);
    }

    void initAndExitAreCounted()
    {
        CSimBus &bus = CSimBus::Instance();
        QCOMPARE(hid_init(), 0);
        QCOMPARE(hid_init(), 0);
        QCOMPARE(hid_exit(), 0);
        QCOMPARE(bus.GetInitCount(), 2);
        QCOMPARE(bus.GetExitCount(), 1);
        bus.Reset();
        QCOMPARE(bus.GetInitCount(), 0);
        QCOMPARE(bus.GetExitCount(), 0);
    }

    void everyHandleGetsEveryReply()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"Q");
        CRawHid first(adapter->GetSpecialPath());
        CRawHid second(adapter->GetSpecialPath());
        QCOMPARE(adapter->GetOpenHandleCount(), 2);
        first.Write(Report("01 01 00"));
        second.Write(Report("02 C1 A0"));
        first.Write(Report("02 C1 A0"));
        const QList<QByteArray> both{Report("02 80 03"), Report("02 80 03")};
        QCOMPARE(first.ReadAll(), both);
        QCOMPARE(second.ReadAll(), both);
    }

    void reportLog()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"L");
        CRawHid io(adapter->GetPath(0));
        CRawHid special(adapter->GetSpecialPath());
        special.Write(Report("01 01 00"));
        io.Write(Hex("07 01"));
        special.Write(Report("02 C1 A0"));

        const std::vector<SSimLoggedReport> log = adapter->GetLog();
        QCOMPARE(log.size(), std::size_t(3));
        QCOMPARE(log.at(0).interfaceNumber, 2);
        QCOMPARE(log.at(1).interfaceNumber, 0);
        QCOMPARE(ToByteArray(log.at(1).bytes), Hex("07 01"));
        QCOMPARE(log.at(2).interfaceNumber, 2);
        const auto specialReports = adapter->GetSpecialReports();
        QCOMPARE(specialReports.size(), std::size_t(2));
        QCOMPARE(ToByteArray(specialReports.at(0)), Report("01 01 00"));
        QCOMPARE(ToByteArray(specialReports.at(1)), Report("02 C1 A0"));
        QCOMPARE(adapter->GetReports(0).size(), std::size_t(1));
        QVERIFY(adapter->GetReports(1).empty());
        adapter->ClearReports();
        QVERIFY(adapter->GetLog().empty());
    }

    void badInput()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"Z");
        unsigned char buffer[64] = {};
        QCOMPARE(hid_open_path(nullptr), nullptr);
        QCOMPARE(hid_open_path(""), nullptr);
        QCOMPARE(hid_open_path("/dev/hidraw0"), nullptr);
        QCOMPARE(hid_write(nullptr, buffer, 64), -1);
        QCOMPARE(hid_read_timeout(nullptr, buffer, 64, 0), -1);
        QCOMPARE(hid_read(nullptr, buffer, 64), -1);
        QCOMPARE(QString::fromWCharArray(hid_error(nullptr)), u"Invalid device handle"_s);
        hid_close(nullptr);

        hid_device *device = hid_open_path(adapter->GetSpecialPath().c_str());
        QVERIFY(device != nullptr);
        QCOMPARE(hid_write(device, nullptr, 64), -1);
        QCOMPARE(QString::fromWCharArray(hid_error(device)), u"Invalid argument"_s);
        QCOMPARE(hid_read_timeout(device, nullptr, 64, 0), -1);
        QCOMPARE(hid_write(device, buffer, 0), -1);
        QCOMPARE(hid_read_timeout(device, buffer, 0, 0), 0);
        std::vector<unsigned char> huge(100000, 0x02);
        QCOMPARE(hid_write(device, huge.data(), huge.size()), int(huge.size()));
        hid_close(device);
        // A handle that was closed is refused, not used.
        QCOMPARE(hid_write(device, buffer, 64), -1);
        QCOMPARE(hid_read_timeout(device, buffer, 64, 0), -1);
        QCOMPARE(QString::fromWCharArray(hid_error(device)), u"Invalid device handle"_s);
        hid_close(device);
    }

    void closeWhileAnotherThreadReads()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"W");
        hid_device *device = hid_open_path(adapter->GetSpecialPath().c_str());
        QVERIFY(device != nullptr);
        std::atomic<int> result = 1;
        std::thread reader([device, &result] {
            unsigned char buffer[64];
            result = hid_read_timeout(device, buffer, sizeof buffer, -1);
        });
        std::this_thread::sleep_for(50ms);
        hid_close(device);
        reader.join();
        QCOMPARE(result.load(), -1);
        QCOMPARE(adapter->GetOpenHandleCount(), 0);
    }

    void resetDetachesEverything()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"R");
        CRawHid hid(adapter->GetSpecialPath());
        hid.Write(Report("01 01 00"));
        CSimBus::Instance().Reset();
        QVERIFY(CSimBus::Instance().GetAdapters().empty());
        QCOMPARE(hid_enumerate(0, 0), nullptr);
        QCOMPARE(hid.Write(Report("02 C1 A0")), -1);
    }

    void threads()
    {
        // Four threads, two per adapter, each with its own handle, while a fifth
        // enumerates and reads the logs: each handle sees each reply of its adapter
        // exactly once, and every request is logged.
        CSimBus &bus = CSimBus::Instance();
        std::shared_ptr<CSimAdapter> adapters[] = {bus.Attach(ESimModel::A, L"T1"),
                                                   bus.Attach(ESimModel::B, L"T2")};
        for (const auto &adapter : adapters)
            adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
        constexpr int ROUNDS = 300;
        std::atomic<int> failures = 0;
        std::atomic<bool> done = false;

        std::thread enumerator([&] {
            while (!done) {
                hid_free_enumeration(hid_enumerate(0, 0));
                for (const auto &adapter : adapters)
                    static_cast<void>(adapter->GetLog());
            }
        });
        // Both handles of an adapter are open before the first request, so each sees
        // the replies to both threads' requests.
        std::vector<std::unique_ptr<CRawHid>> handles;
        for (const auto &adapter : adapters) {
            for (int w = 0; w < 2; ++w)
                handles.push_back(std::make_unique<CRawHid>(adapter->GetSpecialPath()));
            handles.back()->Write(Report("01 01 00"));
        }
        std::vector<std::thread> workers;
        for (const auto &handle : handles) {
            workers.emplace_back([&failures, hid = handle.get()] {
                int replies = 0;
                for (int i = 0; i < ROUNDS; ++i) {
                    if (hid->Write(Report("02 C1 A0")) != 64)
                        ++failures;
                    for (QByteArray r = hid->Read(0); !r.isEmpty(); r = hid->Read(0)) {
                        if (r != Report("02 00 00"))
                            ++failures;
                        ++replies;
                    }
                }
                while (replies < 2 * ROUNDS && !hid->Read(2000).isEmpty())
                    ++replies;
                if (replies != 2 * ROUNDS)
                    ++failures;
            });
        }
        for (std::thread &worker : workers)
            worker.join();
        done = true;
        enumerator.join();
        QCOMPARE(failures.load(), 0);
        for (const auto &adapter : adapters)
            QCOMPARE(adapter->GetSpecialReports().size(), std::size_t(1 + 2 * ROUNDS));
    }

    void presetBench()
    {
        const SSimPresetBench bench = CSimPresetBench::Attach(0ns);
        const QList<SRecord> records = Enumerate(VTL_USB_VENDOR_ID, 0);
        QStringList serials;
        for (const SRecord &record : records) {
            if (!serials.contains(record.serial))
                serials.append(record.serial);
        }
        QCOMPARE(serials, (QStringList{u"SIM-A-0001"_s, u"SIM-B-0002"_s, u"SIM-C-0003"_s}));

        struct SExpect
        {
            std::shared_ptr<CSimAdapter> adapter;
            std::set<int> addresses;
        };
        const SExpect expectations[] = {{bench.adapterA, {0x23, 0x48, 0x50}},
                                        {bench.adapterB, {0x23, 0x50}},
                                        {bench.adapterC, {0x48, 0x50}}};
        for (const SExpect &expect : expectations) {
            CRawHid hid(expect.adapter->GetSpecialPath());
            hid.Write(Report("01 01 00"));
            std::set<int> found;
            for (int address = 0x08; address <= 0x77; ++address) {
                QByteArray probe = Report("02 C1");
                probe[2] = static_cast<char>(address << 1);
                hid.Write(probe);
                if (hid.ReadAll() == QList<QByteArray>{Report("02 00 00")})
                    found.insert(address);
            }
            QCOMPARE(found, expect.addresses);
            // The EEPROM starts with its name.
            hid.Write(Report("02 C2 A0 00"));
            hid.ReadAll();
            hid.Write(Report("03 0C A1 00"));
            const QList<QByteArray> replies = hid.ReadAll();
            QCOMPARE(replies.size(), 1);
            QCOMPARE(replies.at(0).mid(2, 12), QByteArray("Bench EEPROM"));
        }
    }

    void presetBenchOptions_data()
    {
        QTest::addColumn<bool>("on");

        QTest::newRow("defaults: the bench of the tests") << false;
        QTest::newRow("the demo's: bus time, live values, 32 KiB EEPROM") << true;
    }

    void presetBenchOptions()
    {
        QFETCH(bool, on);

        SSimPresetOptions options;
        options.framePeriod = 0ns;
        options.busTiming = on;
        options.liveValues = on;
        options.largeEeprom = on;
        const SSimPresetBench bench = CSimPresetBench::Attach(options);
        QCOMPARE(bench.largeEepromA != nullptr, on);
        auto now = CSimAdapter::Clock::time_point{} + 1h;
        bench.adapterA->SetClock([&now] { return now; });
        bench.temperatureA->SetClock([&now] { return now; });
        CRawHid hid(bench.adapterA->GetSpecialPath());
        hid.Write(Report("01 01 00"));

        // With bus time the reply to the two address bytes takes 280 us.
        hid.Write(Report("02 C3 A2 00 00"));
        const QList<QByteArray> atOnce = hid.ReadAll();
        now += 280us;
        const QList<QByteArray> replies = atOnce + hid.ReadAll();
        QCOMPARE(atOnce.size(), on ? 0 : 1);
        QCOMPARE(replies, QList<QByteArray>{Report(on ? "02 00 00" : "02 80 03")});
        if (on) {
            hid.Write(Report("03 10 A3 00"));
            now += 1s;
            QCOMPARE(hid.ReadAll().value(0).mid(2, 16), QByteArray("Bench 32 KiB EEP"));
        }

        const auto temperature = [&hid, &now] {
            hid.Write(Report("02 C2 90 00"));
            hid.Write(Report("03 02 91 00"));
            now += 1s;
            const QList<QByteArray> received = hid.ReadAll();
            return received.size() == 2 ? received.at(1).mid(2, 2) : QByteArray();
        };
        const QByteArray first = temperature();
        now += 14s;
        const QByteArray later = temperature();
        QCOMPARE(first.size(), 2);
        QCOMPARE(first != later, on);
        if (!on)
            QCOMPARE(first, QByteArray::fromHex("1780")); // 23.5 degrees
    }
};

VTL_TEST_MAIN(TestSimBus)
#include "tst_simbus.moc"
