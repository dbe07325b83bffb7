// SPDX-License-Identifier: MIT
// What each model declares it can do, held against what the simulated adapter of that
// model does, and how the one opener ends on the simulated adapters.
#include "CAdapterOpener.h"
#include "CBusSession.h"
#include "CSimBus.h"
#include "CSimEeprom.h"
#include "VtlTestMain.h"

#include <QtTest>

Q_DECLARE_METATYPE(EAdapterFailure)

using namespace Qt::StringLiterals;

namespace {

constexpr std::uint8_t EEPROM = 0x50;
// More than one write report carries.
constexpr std::size_t LONG_WRITE = 200;

} // namespace

class TestAdapterOpener : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { CSimBus::Instance().Reset(); }

    void capabilitiesHoldOnTheAdapter_data()
    {
        QTest::addColumn<int>("model");
        QTest::newRow("A") << int(EVtlType::VtlA);
        QTest::newRow("B") << int(EVtlType::VtlB);
        QTest::newRow("C") << int(EVtlType::VtlC);
    }

    void capabilitiesHoldOnTheAdapter()
    {
        QFETCH(int, model);
        const SVtlDeviceEntry entry{EVtlType(model), L"CAP-1"};
        const SAdapterCapabilities *declared = SAdapterCapabilities::OfModel(entry.type);
        QVERIFY(declared != nullptr);
        const auto adapter = CSimBus::Instance().Attach(ESimModel(model), entry.serial);
        adapter->AddSlave(EEPROM, std::make_shared<CSimEeprom>());
        CBusSession session;

        // A speed it declares is the one the adapter runs at; any other is refused.
        for (const EI2cSpeed speed : I2cSpeedsRising()) {
            session.Disconnect();
            const bool connected = session.Connect(entry, speed);
            QCOMPARE(connected, declared->IsSpeedSupported(speed));
            QVERIFY(!connected ||
                    (adapter->IsI2cEnabled() && adapter->GetSpeedCode() == std::uint8_t(speed)));
        }
        session.Disconnect();
        QVERIFY(session.Connect(entry, EI2cSpeed::Speed100k, false));
        QVERIFY(static_cast<const SAdapterCapabilities &>(session.Info()) == *declared);
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
        const std::vector<unsigned char> bytes(LONG_WRITE);
        QVERIFY(session.Run(STransactionRequest::Write(EEPROM, bytes)).ok);

        // The address byte alone goes out only where the model declares it can send it.
        adapter->ClearReports();
        QCOMPARE(session.Run(STransactionRequest::Write(EEPROM, {})).ok,
                 declared->canWriteAddressOnly);
        QCOMPARE(adapter->GetSpecialReports().size(), std::size_t(declared->canWriteAddressOnly));
    }

    void openEndsAsTheAdapterAllows_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<bool>("denied");
        QTest::addColumn<bool>("modelRefused");
        QTest::addColumn<EAdapterFailure>("failure");
        QTest::addColumn<QString>("error");
        const QString attached = u"OPEN-1"_s;
        QTest::newRow("usable") << attached << false << false << EAdapterFailure::None << QString();
        // Access is looked at before the model, so the fix is named first.
        QTest::newRow("denied and refused")
            << attached << true << true << EAdapterFailure::PermissionDenied
            << u"Permission denied"_s;
        QTest::newRow("refused") << attached << false << true << EAdapterFailure::Refused
                                 << QString();
        QTest::newRow("not listed")
            << u"OPEN-2"_s << false << false << EAdapterFailure::Gone << u"Device not found"_s;
    }

    void openEndsAsTheAdapterAllows()
    {
        QFETCH(QString, serial);
        QFETCH(bool, denied);
        QFETCH(bool, modelRefused);
        QFETCH(EAdapterFailure, failure);
        QFETCH(QString, error);
        const auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"OPEN-1");
        adapter->SetOpenDenied(denied);

        CBusSession session;
        const SAdapterOpening opening = CAdapterOpener::Open(
            session, {EVtlType::VtlB, serial.toStdWString()}, {EI2cSpeed::Speed400k, false},
            [&](const SAdapterCapabilities &model) {
                return !modelRefused && model.hasPullUpSwitch;
            });
        QCOMPARE(opening.failure, failure);
        QVERIFY2(QString::fromStdString(opening.error).contains(error), opening.error.c_str());
        QCOMPARE(session.IsConnected(), opening.Ok());
        if (opening.Ok()) {
            QCOMPARE(adapter->GetSpeedCode(), std::uint8_t(EI2cSpeed::Speed400k));
            QVERIFY(!adapter->GetPullUpsEnabled());
        } else {
            // Nothing went out to the adapter, and nothing of it is left open.
            QVERIFY(adapter->GetSpecialReports().empty());
            QCOMPARE(adapter->GetOpenHandleCount(), 0);
        }
    }
};

VTL_TEST_MAIN(TestAdapterOpener)
#include "tst_adapterOpener.moc"
