// SPDX-License-Identifier: MIT
#include "AppTestSupport.h"
#include "I2cTypes.h"
#include "VtlTestMain.h"
#include "devicedialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QLayout>
#include <QStandardItemModel>

using namespace Qt::StringLiterals;

namespace {

// The main window's five speed actions, in menu order, with their codes.
struct SSpeeds
{
    QObject owner;
    QActionGroup group{&owner};
    QList<QAction *> actions;

    explicit SSpeeds(int checked = 2)
    {
        const std::pair<const char *, EI2cSpeed> speeds[] = {
            {"10 kbit/s", EI2cSpeed::Speed10k},     {"50 kbit/s", EI2cSpeed::Speed50k},
            {"100 kbit/s", EI2cSpeed::Speed100k},   {"400 kbit/s", EI2cSpeed::Speed400k},
            {"1000 kbit/s", EI2cSpeed::Speed1000k},
        };
        for (const auto &[text, code] : speeds) {
            auto *action = new QAction(QString::fromLatin1(text), &owner);
            action->setCheckable(true);
            action->setData(int(code));
            group.addAction(action);
            actions << action;
        }
        if (checked >= 0)
            actions[checked]->setChecked(true);
    }
};

QComboBox *devices(const DeviceDialog &dialog)
{
    return Child<QComboBox>(dialog, u"cmb_device"_s);
}

QComboBox *speeds(const DeviceDialog &dialog)
{
    return Child<QComboBox>(dialog, u"cmb_speed"_s);
}

QCheckBox *pullUps(const DeviceDialog &dialog)
{
    return Child<QCheckBox>(dialog, u"chk_pullups"_s);
}

QPushButton *okButton(const DeviceDialog &dialog)
{
    return Child<QDialogButtonBox>(dialog, u"buttonBox"_s)->button(QDialogButtonBox::Ok);
}

QStringList entries(const QComboBox &box)
{
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts << box.itemText(i);
    return texts;
}

QList<bool> enabledSpeeds(const DeviceDialog &dialog)
{
    auto *model = qobject_cast<QStandardItemModel *>(speeds(dialog)->model());
    QList<bool> enabled;
    for (int i = 0; i < model->rowCount(); ++i)
        enabled << model->item(i)->isEnabled();
    return enabled;
}

void select(const DeviceDialog &dialog, const QString &entry)
{
    QComboBox *box = devices(dialog);
    const int index = box->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    box->setCurrentIndex(index);
}

} // namespace

class TestDeviceDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void layoutAndTexts();
    void preselectsCheckedSpeed_data();
    void preselectsCheckedSpeed();
    void noAdapterAttached();
    void listsAdaptersInFactoryOrder();
    void modelBLimitsSpeeds();
    void pullUpsFollowModel();
    void refreshKeepsSelection();
    void refreshWithoutRememberedEntry();
    void refreshToEmptyAndBack();
    void choicesAreReadBack();
    void hintWhenNothingIsUsable_data();
    void hintWhenNothingIsUsable();
    void followsAdaptersPluggedInAndOut();
};

void TestDeviceDialog::init()
{
    CSimBus::Instance().Reset();
}

void TestDeviceDialog::cleanup()
{
    CSimBus::Instance().Reset();
}

void TestDeviceDialog::layoutAndTexts()
{
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    QCOMPARE(dialog.windowTitle(), u"Select device"_s);
    QCOMPARE(dialog.layout()->sizeConstraint(), QLayout::SetFixedSize);
    QCOMPARE(devices(dialog)->minimumContentsLength(), 24);
    QCOMPARE(Child<QPushButton>(dialog, u"btn_refresh"_s)->text(), u"Refresh"_s);
    QCOMPARE(pullUps(dialog)->text(), u"Internal pull-ups"_s);
    QCOMPARE(pullUps(dialog)->toolTip(),
             u"Internal pull-up resistors on SDA/SCL (VantrelB only). Switch off for external "
             "pull-ups or lower voltage levels."_s);
    QCOMPARE(entries(*speeds(dialog)), QStringList({u"10 kbit/s"_s, u"50 kbit/s"_s, u"100 kbit/s"_s,
                                                    u"400 kbit/s"_s, u"1000 kbit/s"_s}));
    for (int i = 0; i < speeds(dialog)->count(); ++i)
        QVERIFY(!speeds(dialog)->itemData(i).isValid());
    QVERIFY(okButton(dialog) != nullptr);
    QVERIFY(Child<QDialogButtonBox>(dialog, u"buttonBox"_s)->button(QDialogButtonBox::Cancel));
}

void TestDeviceDialog::preselectsCheckedSpeed_data()
{
    QTest::addColumn<int>("checked");
    QTest::addColumn<QString>("shown");
    QTest::newRow("400 kbit/s") << 3 << u"400 kbit/s"_s;
    QTest::newRow("10 kbit/s") << 0 << u"10 kbit/s"_s;
    QTest::newRow("none checked") << -1 << u"10 kbit/s"_s;
}

void TestDeviceDialog::preselectsCheckedSpeed()
{
    QFETCH(int, checked);
    QFETCH(QString, shown);
    SSpeeds speedActions(checked);
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    QCOMPARE(speeds(dialog)->currentText(), shown);
    QCOMPARE(dialog.selectedSpeedAction()->text(), shown);
}

void TestDeviceDialog::noAdapterAttached()
{
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    QCOMPARE(devices(dialog)->count(), 0);
    QVERIFY(!devices(dialog)->isEnabled());
    QCOMPARE(devices(dialog)->placeholderText(), u"No device found"_s);
    QCOMPARE(devices(dialog)->currentIndex(), -1);
    QVERIFY(!okButton(dialog)->isEnabled());
    QCOMPARE(enabledSpeeds(dialog), QList<bool>(5, true));
    QVERIFY(!pullUps(dialog)->isEnabled());
    QVERIFY(!dialog.selectedDevice());
}

void TestDeviceDialog::listsAdaptersInFactoryOrder()
{
    CSimBus &bus = CSimBus::Instance();
    bus.Attach(ESimModel::C, L"C-1");
    bus.Attach(ESimModel::A, L"A-2");
    bus.Attach(ESimModel::B, L"B-1");
    bus.Attach(ESimModel::A, L"A-1");
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    QCOMPARE(entries(*devices(dialog)),
             QStringList({u"VantrelA  SN A-1"_s, u"VantrelA  SN A-2"_s, u"VantrelB  SN B-1"_s,
                          u"VantrelC  SN C-1"_s}));
    QCOMPARE(devices(dialog)->currentIndex(), 0);
    QVERIFY(devices(dialog)->isEnabled());
    QVERIFY(okButton(dialog)->isEnabled());
}

void TestDeviceDialog::modelBLimitsSpeeds()
{
    CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    SSpeeds speedActions(4);
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    QCOMPARE(speeds(dialog)->currentText(), u"1000 kbit/s"_s);

    select(dialog, u"VantrelB  SN B-1"_s);
    QCOMPARE(enabledSpeeds(dialog), QList<bool>({false, true, true, true, false}));
    QCOMPARE(speeds(dialog)->currentText(), u"100 kbit/s"_s);

    select(dialog, u"VantrelA  SN A-1"_s);
    QCOMPARE(enabledSpeeds(dialog), QList<bool>(5, true));
    QCOMPARE(speeds(dialog)->currentText(), u"100 kbit/s"_s);

    // A speed that model B has stays selected.
    speeds(dialog)->setCurrentIndex(1);
    select(dialog, u"VantrelB  SN B-1"_s);
    QCOMPARE(speeds(dialog)->currentText(), u"50 kbit/s"_s);
}

void TestDeviceDialog::pullUpsFollowModel()
{
    CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, false, nullptr);
    QVERIFY(!pullUps(dialog)->isEnabled());
    QVERIFY(!pullUps(dialog)->isChecked());

    select(dialog, u"VantrelB  SN B-1"_s);
    QVERIFY(pullUps(dialog)->isEnabled());
    pullUps(dialog)->setChecked(true);
    select(dialog, u"VantrelA  SN A-1"_s);
    QVERIFY(!pullUps(dialog)->isEnabled());
    QVERIFY(pullUps(dialog)->isChecked());
    QVERIFY(dialog.pullUpsEnabled());
}

void TestDeviceDialog::refreshKeepsSelection()
{
    CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    select(dialog, u"VantrelB  SN B-1"_s);
    // An adapter plugged in before the selected one in the list's order.
    CSimBus::Instance().Attach(ESimModel::A, L"A-0");

    Child<QPushButton>(dialog, u"btn_refresh"_s)->click();
    QCOMPARE(devices(dialog)->count(), 3);
    QCOMPARE(devices(dialog)->currentText(), u"VantrelB  SN B-1"_s);
    QCOMPARE(dialog.selectedDevice()->type, EVtlType::VtlB);
    QVERIFY(pullUps(dialog)->isEnabled());
    QCOMPARE(enabledSpeeds(dialog), QList<bool>({false, true, true, true, false}));
}

void TestDeviceDialog::refreshWithoutRememberedEntry()
{
    CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    auto b = CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    select(dialog, u"VantrelB  SN B-1"_s);
    b->Unplug();

    dialog.refresh();
    QCOMPARE(entries(*devices(dialog)), QStringList({u"VantrelA  SN A-1"_s}));
    QCOMPARE(devices(dialog)->currentIndex(), 0);
    QCOMPARE(dialog.selectedDevice()->serial, std::wstring(L"A-1"));
    QVERIFY(okButton(dialog)->isEnabled());
    QVERIFY(!pullUps(dialog)->isEnabled());
    QCOMPARE(enabledSpeeds(dialog), QList<bool>(5, true));
}

void TestDeviceDialog::refreshToEmptyAndBack()
{
    auto a = CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    a->Unplug();
    dialog.refresh();
    QCOMPARE(devices(dialog)->count(), 0);
    QVERIFY(!dialog.selectedDevice());
    QVERIFY(!okButton(dialog)->isEnabled());
    QVERIFY(!devices(dialog)->isEnabled());

    // With the placeholder shown, a refill must still make an entry current.
    a->Plug();
    dialog.refresh();
    QCOMPARE(devices(dialog)->currentText(), u"VantrelA  SN A-1"_s);
    QVERIFY(dialog.selectedDevice());
    QVERIFY(okButton(dialog)->isEnabled());
    QVERIFY(devices(dialog)->isEnabled());
}

void TestDeviceDialog::choicesAreReadBack()
{
    CSimBus::Instance().Attach(ESimModel::B, L"B-7");
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    speeds(dialog)->setCurrentIndex(3);
    pullUps(dialog)->setChecked(false);

    const std::optional<SVtlDeviceEntry> device = dialog.selectedDevice();
    QVERIFY(device);
    QCOMPARE(device->type, EVtlType::VtlB);
    QCOMPARE(device->serial, std::wstring(L"B-7"));
    QCOMPARE(dialog.selectedSpeedAction(), speedActions.actions[3]);
    QVERIFY(!dialog.pullUpsEnabled());
    // The dialog changes none of the caller's actions itself.
    QVERIFY(speedActions.actions[2]->isChecked());
}

void TestDeviceDialog::hintWhenNothingIsUsable_data()
{
    QTest::addColumn<QStringList>("denied");
    QTest::addColumn<QStringList>("allowed");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("hintStart");
    QTest::newRow("nothing attached")
        << QStringList() << QStringList() << QStringList() << u"No adapter is attached."_s;
    QTest::newRow("one without permission")
        << QStringList{u"B-1"_s} << QStringList()
        << QStringList{u"VantrelB  SN B-1  (no permission)"_s}
        << u"The adapter cannot be opened: permission denied.\nInstall the udev rule"_s;
    // One usable adapter is enough: no hint, only the mark on the other.
    QTest::newRow("one of two without permission")
        << QStringList{u"B-1"_s} << QStringList{u"B-2"_s}
        << QStringList{u"VantrelB  SN B-1  (no permission)"_s, u"VantrelB  SN B-2"_s} << QString();
}

void TestDeviceDialog::hintWhenNothingIsUsable()
{
    QFETCH(QStringList, denied);
    QFETCH(QStringList, allowed);
    QFETCH(QStringList, shown);
    QFETCH(QString, hintStart);
    for (const QString &serial : denied)
        CSimBus::Instance().Attach(ESimModel::B, serial.toStdWString())->SetOpenDenied(true);
    for (const QString &serial : allowed)
        CSimBus::Instance().Attach(ESimModel::B, serial.toStdWString());

    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    QCOMPARE(entries(*devices(dialog)), shown);
    auto *hint = Child<QLabel>(dialog, u"label_hint"_s);
    QCOMPARE(hint->isHidden(), hintStart.isEmpty());
    if (!hintStart.isEmpty())
        QVERIFY2(hint->text().startsWith(hintStart), qPrintable(hint->text()));
    if (!denied.isEmpty() && allowed.isEmpty()) {
        QVERIFY(hint->text().contains(u"sudo udevadm control --reload-rules"_s));
        // A marked adapter can still be chosen: the connect then says what went wrong.
        QVERIFY(okButton(dialog)->isEnabled());
    }
}

void TestDeviceDialog::followsAdaptersPluggedInAndOut()
{
    CSimBus &bus = CSimBus::Instance();
    auto first = bus.Attach(ESimModel::A, L"A-1");
    SSpeeds speedActions;
    DeviceDialog dialog(speedActions.actions, true, nullptr);
    auto *hint = Child<QLabel>(dialog, u"label_hint"_s);
    QCOMPARE(entries(*devices(dialog)), QStringList{u"VantrelA  SN A-1"_s});

    auto second = bus.Attach(ESimModel::A, L"A-0");
    QTRY_COMPARE_WITH_TIMEOUT(entries(*devices(dialog)),
                              (QStringList{u"VantrelA  SN A-0"_s, u"VantrelA  SN A-1"_s}), 5000);
    QCOMPARE(devices(dialog)->currentText(), u"VantrelA  SN A-1"_s);

    first->Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(entries(*devices(dialog)), QStringList{u"VantrelA  SN A-0"_s}, 5000);
    QCOMPARE(devices(dialog)->currentText(), u"VantrelA  SN A-0"_s);
    QVERIFY(dialog.selectedDevice().has_value());

    second->Unplug();
    QTRY_COMPARE_WITH_TIMEOUT(devices(dialog)->count(), 0, 5000);
    QVERIFY(!okButton(dialog)->isEnabled());
    QVERIFY(!hint->isHidden());

    first->Plug();
    QTRY_COMPARE_WITH_TIMEOUT(entries(*devices(dialog)), QStringList{u"VantrelA  SN A-1"_s}, 5000);
    QVERIFY(hint->isHidden());
    QVERIFY(okButton(dialog)->isEnabled());
}

VTL_TEST_MAIN(TestDeviceDialog)
#include "tst_devicedialog.moc"
