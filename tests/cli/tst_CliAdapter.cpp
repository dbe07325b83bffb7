// SPDX-License-Identifier: MIT
// Choosing the adapter, checking what a command asks of its model, and the access check
// that the window shares, on the simulated adapters. The common cases run in tst_CliProgram.
#include "CSimBus.h"
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"
#include "CliAdapter.h"
#include "CliCommandLine.h"
#include "VtlTestMain.h"

using namespace Qt::StringLiterals;

class TestCliAdapter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CSimBus::Instance().Reset(); }

    void selectTakesTheExactSerial()
    {
        const std::vector<SVtlDeviceEntry> entries{
            {EVtlType::VtlA, L"X"}, {EVtlType::VtlC, L"X"}, {EVtlType::VtlB, L"B-1"}};
        CliAdapter::SSelection selection = CliAdapter::Select(entries, u"b-1"_s);
        QVERIFY(!selection.entry);
        QCOMPARE(selection.exit, ECliExit::NoAdapter);
        QVERIFY2(selection.message.startsWith(u"--adapter b-1: no such adapter attached"_s),
                 qPrintable(selection.message));
        QVERIFY(selection.message.contains(u"\n  VantrelB B-1"_s));

        selection = CliAdapter::Select(entries, u"X"_s);
        QVERIFY(!selection.entry);
        QCOMPARE(selection.exit, ECliExit::NoAdapter);
        QVERIFY(selection.message.contains(u"several models"_s));
    }

    // -a takes a serial number first, then the place in the list, then a model letter that
    // one adapter alone has; VTL_ADAPTER stands in when -a is not given.
    void selectByPlaceOrModel_data()
    {
        QTest::addColumn<QString>("choice");
        QTest::addColumn<bool>("fromVariable");
        QTest::addColumn<QString>("serial"); // of the adapter chosen; empty: none
        QTest::addColumn<ECliExit>("exit");
        QTest::addColumn<QString>("message");
        const ECliExit ok = ECliExit::Success;
        QTest::newRow("serial") << u"SB2"_s << false << u"SB2"_s << ok << QString();
        QTest::newRow("serial before place") << u"1"_s << false << u"1"_s << ok << QString();
        QTest::newRow("place") << u"0"_s << false << u"SA"_s << ok << QString();
        QTest::newRow("place beyond the list")
            << u"4"_s << false << QString() << ECliExit::NoAdapter
            << u"--adapter 4: no such adapter attached; attached are:\n  VantrelA SA\n"_s;
        QTest::newRow("model letter") << u"a"_s << false << u"SA"_s << ok << QString();
        QTest::newRow("model letter of two")
            << u"B"_s << false << QString() << ECliExit::Usage
            << u"--adapter B: 2 adapters of model B are attached; choose one by its serial "
               u"number or its place in 'list' (0 first):\n  VantrelB SB1\n  VantrelB SB2"_s;
        QTest::newRow("variable, model letter") << u"C"_s << true << u"1"_s << ok << QString();
        QTest::newRow("variable naming none") << u"SZ"_s << true << QString() << ECliExit::NoAdapter
                                              << u"VTL_ADAPTER=SZ: no such adapter attached"_s;
        QTest::newRow("variable empty: several attached")
            << QString() << true << QString() << ECliExit::Usage
            << u"4 adapters are attached; choose one with --adapter SERIAL"_s;
    }

    void selectByPlaceOrModel()
    {
        QFETCH(QString, choice);
        QFETCH(bool, fromVariable);
        QFETCH(QString, serial);
        QFETCH(ECliExit, exit);
        QFETCH(QString, message);
        const std::vector<SVtlDeviceEntry> entries{{EVtlType::VtlA, L"SA"},
                                                   {EVtlType::VtlB, L"SB1"},
                                                   {EVtlType::VtlB, L"SB2"},
                                                   {EVtlType::VtlC, L"1"}};
        // Given, --adapter wins over the variable, which names another adapter then.
        qputenv(CliAdapter::ADAPTER_VARIABLE, fromVariable ? choice.toUtf8() : "SB1");
        const CliAdapter::SSelection selection =
            CliAdapter::SelectFor(entries, fromVariable ? QString() : choice);
        qunsetenv(CliAdapter::ADAPTER_VARIABLE);
        QCOMPARE(selection.entry ? QString::fromStdWString(selection.entry->serial) : QString(),
                 serial);
        QCOMPARE(selection.exit, exit);
        QVERIFY2(selection.message.startsWith(message), qPrintable(selection.message));
    }

    void checkModel_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("problem");
        QTest::newRow("B at 10") << 1 << u"-s 10 detect"_s << u"--speed 10"_s;
        QTest::newRow("pull-ups on B") << 1 << u"--pullups off detect"_s << QString();
        QTest::newRow("pull-ups on C")
            << 2 << u"--pullups on detect"_s << u"--pullups: the VantrelC has no pull-up switch"_s;
        QTest::newRow("B reads 256") << 1 << u"read 0x50 256"_s << QString();
        QTest::newRow("B reads 300 in a transfer")
            << 1 << u"transfer w1@0x50 00 r300"_s
            << u"message 2 (r300) asks for 300 bytes; the VantrelB reads 1 to 256 bytes at once"_s;
        QTest::newRow("address byte alone on B")
            << 1 << u"write 0x50"_s << u"the VantrelB cannot send an address byte alone"_s;
        QTest::newRow("address byte alone on A") << 0 << u"write 0x50"_s << QString();
    }

    void checkModel()
    {
        QFETCH(int, model);
        QFETCH(QString, arguments);
        QFETCH(QString, problem);
        QString error;
        const auto plan = CliPlan::Build(
            CliCommandLine::Parse(QStringList{u"vtl-i2c-cli"_s} + arguments.split(u' ')).invocation,
            error);
        QVERIFY2(plan, qPrintable(error));
        const QString found =
            CliAdapter::CheckModel(*plan, *SAdapterCapabilities::OfModel(EVtlType(model)));
        QVERIFY2(problem.isEmpty() ? found.isEmpty() : found.startsWith(problem),
                 qPrintable(found));
    }

    void access()
    {
        CSimBus &bus = CSimBus::Instance();
        const auto a = bus.Attach(ESimModel::A, L"A-7");
        bus.Attach(ESimModel::B, L"B-7")->SetOpenDenied(true);
        SSimAdapterConfig unnamed = SSimAdapterConfig::ForModel(ESimModel::C, L"C-9");
        unnamed.product = std::nullopt;
        bus.Attach(unnamed);

        const SVtlAdapterAccess usable = CVtlAdapterAccess::Check(EVtlType::VtlA, L"A-7");
        QCOMPARE(usable.access, EVtlAccess::Usable);
        QCOMPARE(usable.productName, std::wstring(L"Vantrel I2C Adapter A"));
        QCOMPARE(usable.firmware, a->GetConfig().releaseNumber);
        // The check opens and closes the adapter without sending anything.
        QCOMPARE(a->GetOpenHandleCount(), 0);
        QVERIFY(a->GetSpecialReports().empty());
        QCOMPARE(CVtlAdapterAccess::Check(EVtlType::VtlC, L"C-9").productName,
                 std::wstring(L"VantrelC"));

        const SVtlAdapterAccess denied = CVtlAdapterAccess::Check(EVtlType::VtlB, L"B-7");
        QCOMPARE(denied.access, EVtlAccess::PermissionDenied);
        QVERIFY(denied.error.find("Permission denied") != std::string::npos);
        // The driver's failed Connect says so by its kind, whatever the locale's words.
        const auto driver = CVtlDeviceFactory::Create(EVtlType::VtlB);
        QVERIFY(!driver->Connect(L"B-7", EI2cSpeed::Speed100k));
        QCOMPARE(driver->GetLastErrorKind(), EFailureKind::PermissionDenied);

        // Listed under another model, or not at all.
        QCOMPARE(CVtlAdapterAccess::Check(EVtlType::VtlC, L"A-7").access, EVtlAccess::NotFound);
        QCOMPARE(CVtlAdapterAccess::Check(EVtlType::VtlA, L"A-8").access, EVtlAccess::NotFound);
    }
};

VTL_TEST_MAIN(TestCliAdapter)
#include "tst_CliAdapter.moc"
