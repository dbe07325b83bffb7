// SPDX-License-Identifier: MIT
// Finding adapters of all models and creating their drivers.
#include "CVtlDeviceFactory.h"
#include "DriverTestSupport.h"
#include "VtlTestMain.h"

#include <QtTest>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(EVtlType)

namespace {

QStringList Entries(const std::vector<SVtlDeviceEntry> &entries)
{
    QStringList lines;
    for (const SVtlDeviceEntry &entry : entries)
        lines << QStringLiteral("%1 %2")
                     .arg(int(entry.type))
                     .arg(QString::fromStdWString(entry.serial));
    return lines;
}

} // namespace

class TestCVtlDeviceFactory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CSimBus::Instance().Reset(); }
    void cleanup() { CSimBus::Instance().Reset(); }

    void noAdaptersGiveAnEmptyList() { QVERIFY(CVtlDeviceFactory::EnumerateDevices().empty()); }

    void modelsInOrderEachSortedBySerial()
    {
        CSimBus::Instance().Attach(ESimModel::C, L"C-1");
        CSimBus::Instance().Attach(ESimModel::B, L"B-5");
        CSimBus::Instance().Attach(ESimModel::A, L"A-9");
        CSimBus::Instance().Attach(ESimModel::A, L"A-10");
        CSimBus::Instance().Attach(ESimModel::B, L"B-1");
        QCOMPARE(Entries(CVtlDeviceFactory::EnumerateDevices()),
                 (QStringList{u"0 A-10"_s, u"0 A-9"_s, u"1 B-1"_s, u"1 B-5"_s, u"2 C-1"_s}));
    }

    void listingQuirks()
    {
        SSimAdapterConfig twice = SSimAdapterConfig::ForModel(ESimModel::B, L"B-2");
        twice.listSpecialInterfaceTwice = true;
        CSimBus::Instance().Attach(twice);
        SSimAdapterConfig hidden = SSimAdapterConfig::ForModel(ESimModel::A, L"A-3");
        hidden.omitSpecialInterface = true;
        CSimBus::Instance().Attach(hidden);
        CSimBus::Instance().Attach(ESimModel::C, std::nullopt);
        CSimBus::Instance().Attach(ESimModel::A, L"A-1")->Unplug();
        // Listed twice: once; no special-mode interface: absent; no serial: an empty one;
        // unplugged: absent.
        QCOMPARE(Entries(CVtlDeviceFactory::EnumerateDevices()),
                 (QStringList{u"1 B-2"_s, u"2 "_s}));
    }

    void adapterWithoutSerialCanBeConnected()
    {
        auto adapter = CSimBus::Instance().Attach(ESimModel::C, std::nullopt);
        auto driver = CVtlDeviceFactory::Create(EVtlType::VtlC);
        QVERIFY2(driver->Connect(L"", EI2cSpeed::Speed100k), driver->GetLastError().c_str());
        QVERIFY(driver->IsPresent());
        QCOMPARE(adapter->GetOpenHandleCount(), 1);
    }

    void createGivesTheModel_data()
    {
        QTest::addColumn<EVtlType>("type");
        QTest::addColumn<QString>("name");
        QTest::addColumn<quint64>("maxRead");
        QTest::addColumn<QList<bool>>("speeds"); // codes 0 to 5
        QTest::addColumn<bool>("pullUpSwitch");
        QTest::newRow("A") << EVtlType::VtlA << u"VantrelA"_s << quint64(65535)
                           << QList<bool>{true, true, true, true, true, false} << false;
        QTest::newRow("B") << EVtlType::VtlB << u"VantrelB"_s << quint64(256)
                           << QList<bool>{true, true, true, false, false, false} << true;
        QTest::newRow("C") << EVtlType::VtlC << u"VantrelC"_s << quint64(65535)
                           << QList<bool>{true, true, true, true, true, false} << false;
    }

    void createGivesTheModel()
    {
        QFETCH(EVtlType, type);
        QFETCH(QString, name);
        QFETCH(quint64, maxRead);
        QFETCH(QList<bool>, speeds);
        QFETCH(bool, pullUpSwitch);
        const auto driver = CVtlDeviceFactory::Create(type);
        QVERIFY(driver != nullptr);
        QCOMPARE(QString::fromStdWString(driver->GetTypeName()), name);
        QCOMPARE(quint64(driver->GetMaxReadCount()), maxRead);
        for (int code = 0; code < speeds.size(); ++code)
            QCOMPARE(driver->IsSpeedSupported(static_cast<EI2cSpeed>(code)), speeds[code]);
        QCOMPARE(driver->HasPullUpSwitch(), pullUpSwitch);
        QVERIFY(!driver->IsConnected());
        QCOMPARE(driver->GetSpeed(), EI2cSpeed::Speed100k);
    }

    void createOfAnUnknownModelIsNull()
    {
        QVERIFY(CVtlDeviceFactory::Create(static_cast<EVtlType>(3)) == nullptr);
    }

    void driversFindOnlyTheirOwnModel()
    {
        CSimBus::Instance().Attach(ESimModel::A, L"X-1");
        CSimBus::Instance().Attach(ESimModel::C, L"X-2");
        auto driverC = CVtlDeviceFactory::Create(EVtlType::VtlC);
        QVERIFY(!driverC->Connect(L"X-1", EI2cSpeed::Speed100k));
        QCOMPARE(QString::fromStdString(driverC->GetLastError()), u"Device not found"_s);
        QVERIFY(driverC->Connect(L"X-2", EI2cSpeed::Speed100k));
        auto driverB = CVtlDeviceFactory::Create(EVtlType::VtlB);
        QVERIFY(!driverB->Connect(L"X-2", EI2cSpeed::Speed100k));
    }
};

VTL_TEST_MAIN(TestCVtlDeviceFactory)
#include "tst_CVtlDeviceFactory.moc"
