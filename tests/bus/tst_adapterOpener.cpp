// SPDX-License-Identifier: MIT
// What each model declares it can do, held against what the simulated adapter of that
// model does, and how the one opener ends on the simulated adapters.
#include "CAdapterOpener.h"
#include "CBusSession.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "VtlTestMain.h"

#include <QtTest>

#include <array>

Q_DECLARE_METATYPE(EAdapterFailure)

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;
constexpr std::array<EI2cSpeed, 5> ALL_SPEEDS{EI2cSpeed::Speed100k, EI2cSpeed::Speed400k,
                                              EI2cSpeed::Speed50k, EI2cSpeed::Speed10k,
                                              EI2cSpeed::Speed1000k};

// More than one write report carries.
constexpr std::size_t LONG_WRITE = 200;

} // namespace

class TestAdapterOpener : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CSimBus::Instance().Reset(); }

    void capabilitiesHoldOnTheAdapter_data();
    void capabilitiesHoldOnTheAdapter();
    void openEndsAsTheAdapterAllows_data();
    void openEndsAsTheAdapterAllows();
};

void TestAdapterOpener::capabilitiesHoldOnTheAdapter_data()
{
    QTest::addColumn<int>("model");
    QTest::addColumn<QString>("typeName");
    QTest::newRow("A") << int(EVtlType::VtlA) << u"VantrelA"_s;
    QTest::newRow("B") << int(EVtlType::VtlB) << u"VantrelB"_s;
    QTest::newRow("C") << int(EVtlType::VtlC) << u"VantrelC"_s;
}

void TestAdapterOpener::capabilitiesHoldOnTheAdapter()
{
    QFETCH(int, model);
    QFETCH(QString, typeName);
    const auto type = EVtlType(model);
    const SAdapterCapabilities *declared = SAdapterCapabilities::OfModel(type);
    QVERIFY(declared != nullptr);
    QCOMPARE(QString::fromStdWString(declared->typeName), typeName);

    const auto adapter = CSimBus::Instance().Attach(ESimModel(model), L"CAP-1");
    adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
    const SVtlDeviceEntry entry{type, L"CAP-1"};
    CBusSession session;

    // A speed it declares is the one the adapter runs at; any other is refused.
    for (const EI2cSpeed speed : ALL_SPEEDS) {
        session.Disconnect();
        const bool connected = session.Connect(entry, speed);
        QCOMPARE(connected, declared->IsSpeedSupported(speed));
        if (connected) {
            QVERIFY(adapter->IsI2cEnabled());
            QCOMPARE(adapter->GetSpeedCode(), std::uint8_t(speed));
        }
    }

    // The connected adapter's description carries its model's capabilities.
    session.Disconnect();
    QVERIFY(session.Connect(entry, EI2cSpeed::Speed100k, false));
    const SBusAdapterInfo &info = session.Info();
    QCOMPARE(info.supportedSpeeds, declared->supportedSpeeds);
    QCOMPARE(info.maxReadCount, declared->maxReadCount);
    QCOMPARE(info.canWriteAddressOnly, declared->canWriteAddressOnly);
    // Pull-ups switched off stay on where there is no switch.
    QCOMPARE(adapter->GetPullUpsEnabled(), !declared->hasPullUpSwitch);

    const STransactionRecord longest =
        session.Run(STransactionRequest::Read(EEPROM, declared->maxReadCount));
    QVERIFY2(longest.ok, longest.lastError.c_str());
    QCOMPARE(longest.read.data.size(), declared->maxReadCount);
    adapter->ClearReports();
    QVERIFY(!session.Run(STransactionRequest::Read(EEPROM, declared->maxReadCount + 1)).ok);
    QVERIFY(adapter->GetSpecialReports().empty());

    QVERIFY(declared->maxWriteCount >= LONG_WRITE);
    QVERIFY(
        session.Run(STransactionRequest::Write(EEPROM, std::vector<unsigned char>(LONG_WRITE))).ok);

    // The address byte alone goes out only where the model declares it can send it.
    adapter->ClearReports();
    const STransactionRecord quick = session.Run(STransactionRequest::Write(EEPROM, {}));
    QCOMPARE(quick.ok, declared->canWriteAddressOnly);
    QCOMPARE(adapter->GetSpecialReports().size(), std::size_t(declared->canWriteAddressOnly));
}

void TestAdapterOpener::openEndsAsTheAdapterAllows_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("denied");
    QTest::addColumn<bool>("modelRefused");
    QTest::addColumn<EAdapterFailure>("failure");
    QTest::addColumn<QString>("error");
    QTest::newRow("usable") << u"OPEN-1"_s << false << false << EAdapterFailure::None << QString();
    QTest::newRow("permission denied")
        << u"OPEN-1"_s << true << false << EAdapterFailure::PermissionDenied
        << u"Permission denied"_s;
    // Access is looked at before the model, so the fix is named first.
    QTest::newRow("denied and refused")
        << u"OPEN-1"_s << true << true << EAdapterFailure::PermissionDenied
        << u"Permission denied"_s;
    QTest::newRow("refused by the caller")
        << u"OPEN-1"_s << false << true << EAdapterFailure::Refused << QString();
    QTest::newRow("not listed") << u"OPEN-2"_s << false << false << EAdapterFailure::Gone
                                << u"Device not found"_s;
}

void TestAdapterOpener::openEndsAsTheAdapterAllows()
{
    QFETCH(QString, serial);
    QFETCH(bool, denied);
    QFETCH(bool, modelRefused);
    QFETCH(EAdapterFailure, failure);
    QFETCH(QString, error);
    const auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"OPEN-1");
    adapter->SetOpenDenied(denied);

    CBusSession session;
    std::wstring asked;
    const SAdapterOpening opening =
        CAdapterOpener::Open(session, {EVtlType::VtlB, serial.toStdWString()},
                             {EI2cSpeed::Speed400k, false}, [&](const SAdapterCapabilities &model) {
                                 asked = model.typeName;
                                 return !modelRefused;
                             });
    QCOMPARE(opening.failure, failure);
    QVERIFY2(QString::fromStdString(opening.error).contains(error), opening.error.c_str());
    QCOMPARE(session.IsConnected(), opening.Ok());
    if (opening.Ok()) {
        QCOMPARE(asked, std::wstring(L"VantrelB"));
        QCOMPARE(adapter->GetSpeedCode(), std::uint8_t(EI2cSpeed::Speed400k));
        QVERIFY(!adapter->GetPullUpsEnabled());
    } else {
        // Nothing went out to the adapter, and nothing of it is left open.
        QVERIFY(adapter->GetSpecialReports().empty());
        QCOMPARE(adapter->GetOpenHandleCount(), 0);
    }
}

VTL_TEST_MAIN(TestAdapterOpener)
#include "tst_adapterOpener.moc"
