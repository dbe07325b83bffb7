// SPDX-License-Identifier: MIT
// The simulated bus as the hidapi functions show it: enumeration, handles, threads,
// bad input, the report log, the preset bench, and when replies become readable with the
// I2C bus time switched on. Time is then a clock the tests step, never the wall clock.
#include "CSimEeprom.h"
#include "CSimPresetBench.h"
#include "SimTestSupport.h"
#include "VtlTestMain.h"

#include <QByteArrayList>
#include <QTest>

#include <VtlUsbIds.h>
#include <atomic>
#include <chrono>
#include <memory>
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

private:
    const CSimAdapter::Clock::time_point m_start = CSimAdapter::Clock::time_point{} + 1h;
    CSimAdapter::Clock::time_point m_now;
    std::shared_ptr<CSimAdapter> m_adapter;
    std::unique_ptr<CRawHid> m_hid;

    // For the bus time: an adapter with bus time on, on a clock the tests step, and an EEPROM
    // at 0x50 that starts with 10 11 12 13.
    void Open(ESimModel model, std::chrono::nanoseconds framePeriod)
    {
        m_adapter = CSimBus::Instance().Attach(model, L"T-1");
        m_adapter->AddSlave(0x50, std::make_shared<CSimEeprom>())
            ->SetContents(0, {0x10, 0x11, 0x12, 0x13});
        m_adapter->SetClock([this] { return m_now; });
        m_adapter->SetFramePeriod(framePeriod);
        m_adapter->SetBusTiming(true);
        m_hid = std::make_unique<CRawHid>(m_adapter->GetSpecialPath());
    }

    void Send(const QByteArrayList &requests)
    {
        for (const QByteArray &request : requests)
            m_hid->Write(Report(request.constData()));
    }

    // How many replies become readable a nanosecond before `ns`, and how many at `ns`.
    QList<qsizetype> ReadyAround(qint64 ns)
    {
        m_now = m_start + std::chrono::nanoseconds(ns - 1);
        const qsizetype before = m_hid->ReadAll().size();
        m_now += 1ns;
        return {before, m_hid->ReadAll().size()};
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
        const SExpect expectations[] = {
            {bench.adapterA, {0x23, 0x40, 0x48, 0x50}},
            {bench.adapterB, {0x23, 0x50, 0x53, 0x57, 0x68}},
            {bench.adapterC, {0x40, 0x48, 0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57}}};
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

    // Off by default, for the tests; the demo switches them on.
    void presetBenchOptions_data()
    {
        QTest::addColumn<bool>("on");
        QTest::newRow("defaults") << false;
        QTest::newRow("bus time, live values, 32 KiB EEPROM") << true;
    }

    void presetBenchOptions()
    {
        QFETCH(bool, on);
        SSimPresetOptions options;
        options.framePeriod = 0ns;
        options.busTiming = options.liveValues = options.largeEeprom = on;
        const SSimPresetBench bench = CSimPresetBench::Attach(options);
        bench.adapterA->SetClock([this] { return m_now; });
        bench.temperatureA->SetClock([this] { return m_now; });
        CRawHid hid(bench.adapterA->GetSpecialPath());
        hid.Write(Report("01 01 00"));

        // With bus time the reply to the address of the large EEPROM takes 100 us.
        hid.Write(Report("02 C1 A2"));
        const QList<QByteArray> atOnce = hid.ReadAll();
        m_now += 1s;
        QCOMPARE(atOnce.isEmpty(), on);
        QCOMPARE(atOnce + hid.ReadAll(), QList<QByteArray>{Report(on ? "02 00 00" : "02 80 03")});

        const auto temperature = [this, &hid] {
            hid.Write(Report("02 C2 90 00"));
            hid.Write(Report("03 02 91 00"));
            m_now += 14s;
            return hid.ReadAll();
        };
        const QList<QByteArray> first = temperature();
        QCOMPARE(first.size(), 2);
        QCOMPARE(first != temperature(), on);
    }

    void replyTimes_data()
    {
        QTest::addColumn<QByteArray>("enable");
        QTest::addColumn<int>("framePeriodUs");
        QTest::addColumn<int>("forcedStatus"); // -1: none
        QTest::addColumn<QByteArrayList>("requests");
        QTest::addColumn<QList<qint64>>("readyNs");

        const QByteArray speed100k("01 01 00");
        // Start, three bytes: 28 bit times of 2.5 us.
        QTest::newRow("write at 400k") << QByteArray("01 01 01") << 0 << -1
                                       << QByteArrayList{"02 C3 A0 00 AB"} << QList<qint64>{70000};
        // 10 + 62 * 9 = 568 and 10 + 100 * 9 = 910 bit times of 10 us.
        QTest::newRow("read at 100k") << speed100k << 0 << -1 << QByteArrayList{"03 64 A1 00"}
                                      << QList<qint64>{5680000, 9100000};
        QTest::newRow("a busy bus delays the next request, stop included")
            << speed100k << 0 << -1 << QByteArrayList{"03 64 A1 00", "02 C1 A0"}
            << QList<qint64>{5680000, 9100000, 9210000};
        QTest::newRow("NACKed address at 10k, then its stop")
            << QByteArray("01 01 03") << 0 << -1 << QByteArrayList{"02 C1 E0", "02 C1 A0"}
            << QList<qint64>{1000000, 2100000};
        QTest::newRow("no stop before the next chunk")
            << speed100k << 0 << -1 << QByteArrayList{"02 82 A0 00", "02 41 AB"}
            << QList<qint64>{190000, 280000};
        QTest::newRow("a failed read frees the bus at its reply")
            << speed100k << 0 << 0x80 << QByteArrayList{"03 64 A1 00", "02 C1 A0"}
            << QList<qint64>{5680000, 5780000};
        // The frames wait for the bus (5.68, 11.26, 16.84, 18.1 ms).
        QTest::newRow("1 ms frames behind 100k")
            << speed100k << 1000 << -1 << QByteArrayList{"03 C8 A1 00"}
            << QList<qint64>{6000000, 12000000, 17000000, 19000000};
    }

    // Each reply becomes readable exactly at its time.
    void replyTimes()
    {
        QFETCH(QByteArray, enable);
        QFETCH(int, framePeriodUs);
        QFETCH(int, forcedStatus);
        QFETCH(QByteArrayList, requests);
        QFETCH(QList<qint64>, readyNs);

        Open(ESimModel::A, std::chrono::microseconds(framePeriodUs));
        Send({enable});
        if (forcedStatus >= 0)
            m_adapter->ForceNextStatus(static_cast<std::uint8_t>(forcedStatus));
        Send(requests);
        for (const qint64 ns : readyNs)
            QVERIFY2(ReadyAround(ns) == (QList<qsizetype>{0, 1}), qPrintable(QString::number(ns)));
        m_now = m_start + 1h;
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>());
    }

    void longRead_data()
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

    // 65,535 bytes in 1,058 replies: the first, 1,056 more, then the last.
    void longRead()
    {
        QFETCH(QByteArray, enable);
        QFETCH(qint64, firstMs);
        QFETCH(qint64, lastMs);

        Open(ESimModel::A, 1ms);
        Send({enable, "03 FF A1 FF"});
        QCOMPARE(ReadyAround(firstMs * 1000000), (QList<qsizetype>{0, 1}));
        QCOMPARE(ReadyAround(lastMs * 1000000), (QList<qsizetype>{1056, 1}));
        m_now = m_start + 1h;
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>());
    }

    void enableReportAbandonsTheRead_data()
    {
        QTest::addColumn<ESimModel>("model");
        QTest::addColumn<QByteArray>("longRead");
        QTest::addColumn<QByteArrayList>("abandon");
        QTest::addColumn<int>("abandonMs");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QByteArray>("shortRead");
        QTest::addColumn<int>("shortReadyMs");

        // 3000 bytes in 49 replies, at 6, 12, 17 and 23 ms and on; after the enable at 20 ms
        // the pointer write is done at 20.19 ms (frame 21) and the read at 20.66 ms (frame 22).
        QTest::newRow("A") << ESimModel::A << QByteArray("03 B8 A1 0B")
                           << QByteArrayList{"01 01 00"} << 20 << 3 << QByteArray("03 04 A1 00")
                           << 22;
        QTest::newRow("B, disable and enable")
            << ESimModel::B << QByteArray("03 00 A1") << QByteArrayList{"01 00 00", "01 01 00"}
            << 13 << 2 << QByteArray("03 04 A1") << 15;
    }

    void enableReportAbandonsTheRead()
    {
        QFETCH(ESimModel, model);
        QFETCH(QByteArray, longRead);
        QFETCH(QByteArrayList, abandon);
        QFETCH(int, abandonMs);
        QFETCH(int, kept);
        QFETCH(QByteArray, shortRead);
        QFETCH(int, shortReadyMs);

        Open(model, 1ms);
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
        m_now += 1ns;
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>{Report("03 04 10 11 12 13")});
        m_now = m_start + 1h;
        QCOMPARE(m_hid->ReadAll(), QList<QByteArray>());
    }
};

VTL_TEST_MAIN(TestSimBus)
#include "tst_simbus.moc"
