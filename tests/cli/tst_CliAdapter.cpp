// SPDX-License-Identifier: MIT
// Choosing the adapter, checking what a command asks of its model, and the access check
// that the window shares, on the simulated adapters.
#include "CSimBus.h"
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"
#include "CliAdapter.h"
#include "CliCommandLine.h"
#include "VtlTestMain.h"

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace {

const std::vector<SVtlDeviceEntry> THREE{
    {EVtlType::VtlA, L"A-1"}, {EVtlType::VtlB, L"B-1"}, {EVtlType::VtlC, L"C-1"}};

SCliPlan Plan(const QString &arguments)
{
    QString error;
    const auto plan = CliPlan::Build(
        CliCommandLine::Parse(QStringList{u"vtl-i2c-cli"_s} + arguments.split(u' ')).invocation,
        error);
    return plan.value_or(SCliPlan{});
}

} // namespace

class TestCliAdapter : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { CSimBus::Instance().Reset(); }

    void select_data()
    {
        QTest::addColumn<int>("attached");
        QTest::addColumn<QString>("serial");
        QTest::addColumn<QString>("chosen"); // empty: none
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("message");
        QTest::newRow("the only one") << 1 << QString() << u"A-1"_s << 0 << QString();
        QTest::newRow("by serial") << 3 << u"B-1"_s << u"B-1"_s << 0 << QString();
        QTest::newRow("several, none chosen")
            << 3 << QString() << QString() << 2
            << u"3 adapters are attached; choose one with --adapter SERIAL:\n"
               u"  VantrelA A-1\n  VantrelB B-1\n  VantrelC C-1"_s;
        QTest::newRow("unknown serial")
            << 3 << u"D-1"_s << QString() << 3 << u"--adapter D-1: no such adapter attached"_s;
        QTest::newRow("serial differs in case")
            << 1 << u"a-1"_s << QString() << 3 << u"--adapter a-1: no such adapter"_s;
        QTest::newRow("none attached")
            << 0 << QString() << QString() << 3 << u"no adapter attached"_s;
    }

    void select()
    {
        QFETCH(int, attached);
        QFETCH(QString, serial);
        QFETCH(QString, chosen);
        QFETCH(int, exit);
        QFETCH(QString, message);
        const std::vector<SVtlDeviceEntry> entries(THREE.begin(), THREE.begin() + attached);
        const CliAdapter::SSelection selection = CliAdapter::Select(entries, serial);
        QCOMPARE(selection.entry ? QString::fromStdWString(selection.entry->serial) : QString(),
                 chosen);
        QCOMPARE(int(selection.exit), exit);
        QVERIFY2(selection.message.startsWith(message), qPrintable(selection.message));
    }

    void twoModelsOneSerial()
    {
        const std::vector<SVtlDeviceEntry> entries{{EVtlType::VtlA, L"X"}, {EVtlType::VtlC, L"X"}};
        const CliAdapter::SSelection selection = CliAdapter::Select(entries, u"X"_s);
        QVERIFY(!selection.entry);
        QVERIFY(selection.message.contains(u"several models"_s));
    }

    void checkModel_data()
    {
        QTest::addColumn<int>("model");
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("problem");
        QTest::newRow("A at 1000") << 0 << u"--speed 1000 detect"_s << QString();
        QTest::newRow("B at 1000") << 1 << u"--speed 1000 detect"_s
                                   << u"--speed 1000 is not supported by the VantrelB (it runs at "
                                      u"50, 100, 400 kbit/s)"_s;
        QTest::newRow("B at 10") << 1 << u"-s 10 detect"_s << u"--speed 10"_s;
        QTest::newRow("pull-ups on B") << 1 << u"--pullups off detect"_s << QString();
        QTest::newRow("pull-ups on C")
            << 2 << u"--pullups on detect"_s << u"--pullups: the VantrelC has no pull-up switch"_s;
        QTest::newRow("B reads 256") << 1 << u"read 0x50 256"_s << QString();
        QTest::newRow("B reads 257") << 1 << u"get 0x50 00 257"_s
                                     << u"COUNT asks for 257 bytes; the VantrelB reads 1 to 256 "
                                        u"bytes at once"_s;
        QTest::newRow("A reads 65535") << 0 << u"read 0x50 65535"_s << QString();
    }

    void checkModel()
    {
        QFETCH(int, model);
        QFETCH(QString, arguments);
        QFETCH(QString, problem);
        const auto driver = CVtlDeviceFactory::Create(EVtlType(model));
        const QString found = CliAdapter::CheckModel(Plan(arguments), *driver);
        if (problem.isEmpty())
            QCOMPARE(found, QString());
        else
            QVERIFY2(found.startsWith(problem), qPrintable(found));
    }

    void access()
    {
        CSimBus &bus = CSimBus::Instance();
        const auto a = bus.Attach(ESimModel::A, L"A-7");
        const auto b = bus.Attach(ESimModel::B, L"B-7");
        b->SetOpenDenied(true);

        const SVtlAdapterAccess usable = CVtlAdapterAccess::Check(EVtlType::VtlA, L"A-7");
        QCOMPARE(usable.access, EVtlAccess::Usable);
        QVERIFY(usable.error.empty());
        QCOMPARE(usable.productName, std::wstring(L"Vantrel I2C Adapter A"));
        QCOMPARE(usable.firmware, a->GetConfig().releaseNumber);
        QCOMPARE(a->GetOpenHandleCount(), 0);
        QVERIFY(a->GetSpecialReports().empty());

        const SVtlAdapterAccess denied = CVtlAdapterAccess::Check(EVtlType::VtlB, L"B-7");
        QCOMPARE(denied.access, EVtlAccess::PermissionDenied);
        QVERIFY(denied.error.find("Permission denied") != std::string::npos);

        // Listed under another model, or not at all.
        QCOMPARE(CVtlAdapterAccess::Check(EVtlType::VtlC, L"A-7").access, EVtlAccess::NotFound);
        QCOMPARE(CVtlAdapterAccess::Check(EVtlType::VtlA, L"A-8").access, EVtlAccess::NotFound);

        // The driver's failed Connect carries the same text, which the check recognises.
        const auto driver = CVtlDeviceFactory::Create(EVtlType::VtlB);
        QVERIFY(!driver->Connect(L"B-7", EI2cSpeed::Speed100k));
        QVERIFY(CVtlAdapterAccess::IsPermissionDenied(driver->GetLastError()));
    }

    void productNameFallback()
    {
        SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::C, L"C-9");
        config.product = std::nullopt;
        CSimBus::Instance().Attach(config);
        const SVtlAdapterAccess access = CVtlAdapterAccess::Check(EVtlType::VtlC, L"C-9");
        QCOMPARE(access.access, EVtlAccess::Usable);
        QCOMPARE(access.productName, std::wstring(L"VantrelC"));
    }

    void permissionTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("denied");
        QTest::newRow("hidraw open") << u"Failed to open a device with path '/dev/hidraw3': "
                                        u"Permission denied"_s
                                     << true;
        QTest::newRow("not permitted") << u"open: Operation not permitted"_s << true;
        QTest::newRow("missing node") << u"Failed to open a device with path '/dev/hidraw3': "
                                         u"No such file or directory"_s
                                      << false;
        QTest::newRow("time-out") << u"Timeout"_s << false;
        QTest::newRow("empty") << QString() << false;
    }

    void permissionTexts()
    {
        QFETCH(QString, text);
        QFETCH(bool, denied);
        QCOMPARE(CVtlAdapterAccess::IsPermissionDenied(text.toStdString()), denied);
    }

    void permissionTextOfTheLocale()
    {
        // Whatever strerror says under the current locale counts too.
        QVERIFY(CVtlAdapterAccess::IsPermissionDenied(std::string("x: ") + std::strerror(EACCES)));
    }

    void hint()
    {
        const std::string hint = CVtlAdapterAccess::PermissionHint();
        for (const char *part :
             {"sudo install -m 644 build/release/dist/70-vtl-i2c.rules /etc/udev/rules.d/",
              "/usr/lib/udev/rules.d/70-vtl-i2c.rules",
              "sudo udevadm control --reload-rules && sudo udevadm trigger "
              "--subsystem-match=hidraw",
              "unplug and reattach"})
            QVERIFY2(hint.find(part) != std::string::npos, part);
    }
};

VTL_TEST_MAIN(TestCliAdapter)
#include "tst_CliAdapter.moc"
