// SPDX-License-Identifier: MIT
#include "AppTestSupport.h"
#include "CVtlAdapterAccess.h"
#include "CVtlDeviceFactory.h"
#include "CVtlI2c.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QCheckBox>
#include <QColor>
#include <QLineEdit>
#include <QSettings>

using namespace Qt::StringLiterals;

namespace {

const QStringList SPEED_ACTIONS = {u"actionSpeed10k"_s, u"actionSpeed50k"_s, u"actionSpeed100k"_s,
                                   u"actionSpeed400k"_s, u"actionSpeed1000k"_s};

QString stateText(const char *text, const QColor &color)
{
    return u"<span style=\"color:%1; font-weight:bold\">%2</span>"_s.arg(color.name(),
                                                                         QString::fromLatin1(text));
}

const QColor ACTIVE = QColor(0x4C, 0xAF, 0x50).darker(120);
const QColor INACTIVE = QColor(0x60, 0x7D, 0x8B);

ESimModel modelOf(const QString &name)
{
    return name == u"B"_s ? ESimModel::B : name == u"C"_s ? ESimModel::C : ESimModel::A;
}

} // namespace

class TestConnection : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void connectSendsConfiguration_data();
    void connectSendsConfiguration();
    void connectedStatusBar();
    void speedActionsFollowModel_data();
    void speedActionsFollowModel();
    void chosenSpeedIsUsed();
    void cancelledDialogChangesNothing();
    void connectFailureKeepsState_data();
    void connectFailureKeepsState();
    void disconnectSwitchesOff();
    void unplugShowsOneLossMessage();
    void failedTransferOnUnpluggedAdapter_data();
    void failedTransferOnUnpluggedAdapter();
    void speedChangeWhileConnected_data();
    void speedChangeWhileConnected();
    void failedSpeedChangeRestoresMenu();
    void speedChangeWhileDisconnected();
    void pullUpsWhileConnected();
    void failedPullUpSwitchRestoresAction();

private:
    bool connectTo(const QString &entry, std::function<void(QDialog *)> adjust = {});
    bool connected() const { return ActionOf(*m_window, "actionDisconnect")->isEnabled(); }

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
};

void TestConnection::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestConnection::init()
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_watcher = std::make_unique<CModalWatcher>();
    m_watcher->isConnected = [this] {
        return connected();
    };
}

void TestConnection::cleanup()
{
    m_watcher.reset();
    m_window.reset();
    CSimBus::Instance().Reset();
}

bool TestConnection::connectTo(const QString &entry, std::function<void(QDialog *)> adjust)
{
    m_watcher->onDialog = ChooseDevice(entry, std::move(adjust));
    ActionOf(*m_window, "actionConnect")->trigger();
    return connected();
}

void TestConnection::connectSendsConfiguration_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<bool>("pullUps");
    QTest::addColumn<QStringList>("reports");
    // Model B gets its configuration as a disable and an enable report; A and C one
    // enable report, whatever the pull-up action says, since they cannot switch them.
    QTest::newRow("A, pull-ups on") << u"A"_s << true << QStringList({u"01 01"_s});
    QTest::newRow("A, pull-ups off") << u"A"_s << false << QStringList({u"01 01"_s});
    QTest::newRow("C, pull-ups off") << u"C"_s << false << QStringList({u"01 01"_s});
    QTest::newRow("B, pull-ups on") << u"B"_s << true << QStringList({u"01"_s, u"01 01"_s});
    QTest::newRow("B, pull-ups off") << u"B"_s << false << QStringList({u"01"_s, u"01 01 80"_s});
}

void TestConnection::connectSendsConfiguration()
{
    QFETCH(QString, model);
    QFETCH(bool, pullUps);
    QFETCH(QStringList, reports);
    auto adapter = CSimBus::Instance().Attach(modelOf(model), L"SN-1");
    ActionOf(*m_window, "actionPullUps")->setChecked(pullUps);

    bool boxShowsChoice = false;
    QVERIFY(connectTo(u"Vantrel%1  SN SN-1"_s.arg(model), [&](QDialog *dialog) {
        boxShowsChoice = dialog->findChild<QCheckBox *>(u"chk_pullups"_s)->isChecked() == pullUps;
    }));
    QVERIFY(boxShowsChoice);
    QCOMPARE(ReportLines(adapter), reports);
    QCOMPARE(adapter->GetPullUpsEnabled(), model != u"B"_s || pullUps);
    QCOMPARE(ActionOf(*m_window, "actionPullUps")->isChecked(), pullUps);
    // Only the model that can switch them names the pull-ups beside the speed.
    QCOMPARE(Child<QLabel>(*m_window, u"label_speed"_s)->text(),
             model == u"B"_s && pullUps ? u"100 kbit/s, pull-ups on"_s : u"100 kbit/s"_s);
    QVERIFY(m_watcher->boxes.isEmpty());

    // The first transaction follows the configuration.
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    QMetaObject::invokeMethod(m_window.get(), "onRead");
    QCOMPARE(ReportLines(adapter).mid(0, reports.size()), reports);
    QCOMPARE(ReportLines(adapter).size(), reports.size() + 1);
}

void TestConnection::connectedStatusBar()
{
    SSimAdapterConfig config = SSimAdapterConfig::ForModel(ESimModel::C, L"C-77");
    config.releaseNumber = 0x100;
    CSimBus::Instance().Attach(config);
    auto *state = Child<QLabel>(*m_window, u"label_status"_s);
    QCOMPARE(state->text(), stateText("No device connected", INACTIVE));

    m_window->show();
    QVERIFY(connectTo(u"VantrelC  SN C-77"_s));
    QCOMPARE(state->text(), stateText("Connected", ACTIVE));
    QVERIFY(Child<QWidget>(*m_window, u"widget_adapter_info"_s)->isVisible());
    QCOMPARE(Child<QLabel>(*m_window, u"label_product"_s)->text(), u"Vantrel I2C Adapter C"_s);
    QCOMPARE(Child<QLabel>(*m_window, u"label_serial"_s)->text(), u"SN C-77"_s);
    QCOMPARE(Child<QLabel>(*m_window, u"label_firmware"_s)->text(), u"FW 0100"_s);
    auto *speed = Child<QLabel>(*m_window, u"label_speed"_s);
    QCOMPARE(speed->text(), u"100 kbit/s"_s);
    // A speed changed while connected shows at once.
    ActionOf(*m_window, "actionSpeed400k")->trigger();
    QCOMPARE(speed->text(), u"400 kbit/s"_s);

    ActionOf(*m_window, "actionDisconnect")->trigger();
    QCOMPARE(state->text(), stateText("No device connected", INACTIVE));
    QVERIFY(Child<QWidget>(*m_window, u"widget_adapter_info"_s)->isHidden());
}

void TestConnection::speedActionsFollowModel_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("disabled");
    QTest::addColumn<bool>("pullUpsEnabled");
    QTest::newRow("A") << u"A"_s << QStringList() << false;
    QTest::newRow("B") << u"B"_s << QStringList({u"actionSpeed10k"_s, u"actionSpeed1000k"_s})
                       << true;
    QTest::newRow("C") << u"C"_s << QStringList() << false;
}

void TestConnection::speedActionsFollowModel()
{
    QFETCH(QString, model);
    QFETCH(QStringList, disabled);
    QFETCH(bool, pullUpsEnabled);
    CSimBus::Instance().Attach(modelOf(model), L"X1");
    QVERIFY(connectTo(u"Vantrel%1  SN X1"_s.arg(model)));

    for (const QString &name : SPEED_ACTIONS)
        QCOMPARE(Child<QAction>(*m_window, name)->isEnabled(), !disabled.contains(name));
    QCOMPARE(ActionOf(*m_window, "actionPullUps")->isEnabled(), pullUpsEnabled);
    QVERIFY(!ActionOf(*m_window, "actionConnect")->isEnabled());
    for (const char *name : {"actionI2cSearch"})
        QVERIFY(ActionOf(*m_window, name)->isEnabled());
    for (const QString &name : {u"btn_i2c_search"_s, u"btn_write"_s, u"btn_read"_s})
        QVERIFY(Child<QWidget>(*m_window, name)->isEnabled());

    ActionOf(*m_window, "actionDisconnect")->trigger();
    for (const QString &name : SPEED_ACTIONS)
        QVERIFY2(Child<QAction>(*m_window, name)->isEnabled(), qPrintable(name));
    QVERIFY(ActionOf(*m_window, "actionPullUps")->isEnabled());
    QVERIFY(ActionOf(*m_window, "actionConnect")->isEnabled());
    for (const QString &name : {u"btn_i2c_search"_s, u"btn_write"_s, u"btn_read"_s})
        QVERIFY(!Child<QWidget>(*m_window, name)->isEnabled());
}

void TestConnection::chosenSpeedIsUsed()
{
    auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    QVERIFY(connectTo(u"VantrelA  SN A-1"_s, [](QDialog *dialog) {
        auto *speeds = dialog->findChild<QComboBox *>(u"cmb_speed"_s);
        speeds->setCurrentIndex(speeds->findText(u"400 kbit/s"_s));
    }));
    QVERIFY(ActionOf(*m_window, "actionSpeed400k")->isChecked());
    QCOMPARE(ReportLines(adapter), QStringList({u"01 01 01"_s}));
    QCOMPARE(adapter->GetSpeedCode(), 1);
}

void TestConnection::cancelledDialogChangesNothing()
{
    auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    ActionOf(*m_window, "actionSpeed400k")->setChecked(true);
    m_watcher->onDialog = [](QDialog *dialog) {
        auto *speeds = dialog->findChild<QComboBox *>(u"cmb_speed"_s);
        speeds->setCurrentIndex(speeds->findText(u"50 kbit/s"_s));
        dialog->findChild<QCheckBox *>(u"chk_pullups"_s)->setChecked(false);
        dialog->reject();
    };
    ActionOf(*m_window, "actionConnect")->trigger();

    QCOMPARE(m_watcher->dialogs, 1);
    QVERIFY(!connected());
    QVERIFY(ActionOf(*m_window, "actionSpeed400k")->isChecked());
    QVERIFY(ActionOf(*m_window, "actionPullUps")->isChecked());
    QVERIFY(ReportLines(adapter).isEmpty());
    QCOMPARE(adapter->GetOpenHandleCount(), 0);
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestConnection::connectFailureKeepsState_data()
{
    QTest::addColumn<bool>("denied");
    QTest::newRow("permission denied") << true;
    QTest::newRow("configuration not accepted") << false;
}

void TestConnection::connectFailureKeepsState()
{
    QFETCH(bool, denied);
    auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    const auto arm = [&] {
        if (denied)
            adapter->SetOpenDenied(true);
        else
            adapter->ShortenNextWrite(10);
    };
    arm();
    const std::unique_ptr<CVtlI2c> probe = CVtlDeviceFactory::Create(EVtlType::VtlA);
    QVERIFY(!probe->Connect(L"A-1", EI2cSpeed::Speed100k));
    const QString reason = QString::fromStdString(probe->GetLastError());
    QVERIFY(!reason.isEmpty());
    arm();

    // A permission problem is marked in the adapter dialog and explained in the box.
    QVERIFY(!connectTo(denied ? u"VantrelA  SN A-1  (no permission)"_s : u"VantrelA  SN A-1"_s));
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes[0].title, u"Device"_s);
    const QString text = m_watcher->boxes[0].text;
    QVERIFY2(text.startsWith(u"Connect failed:\n"_s + reason), qPrintable(text));
    if (denied) {
        QCOMPARE(text, u"Connect failed:\n"_s + reason +
                           u"\n\nThe system denied access to the adapter.\n"_s +
                           QString::fromStdString(CVtlAdapterAccess::PermissionHint()));
        QVERIFY(text.contains(u"70-vtl-i2c.rules"_s));
    } else {
        QCOMPARE(text, u"Connect failed:\n"_s + reason);
    }
    QCOMPARE(m_watcher->boxes[0].icon, QMessageBox::Critical);
    QVERIFY(ActionOf(*m_window, "actionConnect")->isEnabled());
    QCOMPARE(adapter->GetOpenHandleCount(), 0);
}

void TestConnection::disconnectSwitchesOff()
{
    auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    QVERIFY(connectTo(u"VantrelA  SN A-1"_s));
    adapter->ClearReports();
    ActionOf(*m_window, "actionDisconnect")->trigger();
    QCOMPARE(ReportLines(adapter), QStringList({u"01"_s}));
    QCOMPARE(adapter->GetOpenHandleCount(), 0);
    QVERIFY(!adapter->IsI2cEnabled());
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestConnection::unplugShowsOneLossMessage()
{
    // Another adapter is listed first, so only a remembered choice preselects B.
    CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    QVERIFY(connectTo(u"VantrelB  SN B-1"_s));
    adapter->Unplug();

    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->boxes.size(), 1, 5000);
    QCOMPARE(m_watcher->boxes[0].title, u"Device"_s);
    QCOMPARE(m_watcher->boxes[0].text, u"Connection to the Vantrel was lost."_s);
    QCOMPARE(m_watcher->boxes[0].detail, u"Adapter: VantrelB  SN B-1"_s);
    QCOMPARE(m_watcher->boxes[0].icon, QMessageBox::Critical);
    QVERIFY(!m_watcher->boxes[0].windowConnected);
    QVERIFY(ActionOf(*m_window, "actionConnect")->isEnabled());
    for (const char *name : {"actionDisconnect", "actionI2cSearch"})
        QVERIFY(!ActionOf(*m_window, name)->isEnabled());
    for (const QString &name : {u"btn_i2c_search"_s, u"btn_write"_s, u"btn_read"_s})
        QVERIFY(!Child<QWidget>(*m_window, name)->isEnabled());
    QCOMPARE(adapter->GetOpenHandleCount(), 0);

    // Longer than a timer period: the loss is reported once.
    QTest::qWait(1500);
    QCOMPARE(m_watcher->boxes.size(), 1);

    // Plugged in again, the lost adapter is the one the dialog offers.
    adapter->Plug();
    QString offered;
    m_watcher->onDialog = [&offered](QDialog *dialog) {
        offered = dialog->findChild<QComboBox *>(u"cmb_device"_s)->currentText();
        dialog->reject();
    };
    ActionOf(*m_window, "actionConnect")->trigger();
    QCOMPARE(offered, u"VantrelB  SN B-1"_s);
}

void TestConnection::failedTransferOnUnpluggedAdapter_data()
{
    QTest::addColumn<QString>("slot");
    QTest::newRow("write") << u"onWrite"_s;
    QTest::newRow("read") << u"onRead"_s;
    QTest::newRow("search") << u"onI2cSearch"_s;
}

void TestConnection::failedTransferOnUnpluggedAdapter()
{
    QFETCH(QString, slot);
    auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    QVERIFY(connectTo(u"VantrelA  SN A-1"_s));
    auto *address = Child<QComboBox>(*m_window, u"cmb_i2c_device"_s);
    address->addItems({u"0x50"_s, u"0x51"_s});
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"01 02"_s);
    adapter->Unplug();

    // Right away, before the presence timer can notice.
    QMetaObject::invokeMethod(m_window.get(), qPrintable(slot));
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes[0].text, u"Connection to the Vantrel was lost."_s);
    QVERIFY(!connected());
    QCOMPARE(Child<QTableWidget>(*m_window, u"table_data"_s)->rowCount(), 0);
    QCOMPARE(address->count(), 2);
    QTest::qWait(1200);
    QCOMPARE(m_watcher->boxes.size(), 1);
}

void TestConnection::speedChangeWhileConnected_data()
{
    QTest::addColumn<QString>("model");
    QTest::addColumn<QStringList>("reports");
    QTest::newRow("A") << u"A"_s << QStringList({u"01 01 01"_s});
    QTest::newRow("B") << u"B"_s << QStringList({u"01"_s, u"01 01 01"_s});
}

void TestConnection::speedChangeWhileConnected()
{
    QFETCH(QString, model);
    QFETCH(QStringList, reports);
    auto adapter = CSimBus::Instance().Attach(modelOf(model), L"S1");
    QVERIFY(connectTo(u"Vantrel%1  SN S1"_s.arg(model)));
    adapter->ClearReports();

    ActionOf(*m_window, "actionSpeed400k")->trigger();
    QCOMPARE(ReportLines(adapter), reports);
    QCOMPARE(m_window->statusBar()->currentMessage(), u"I2C speed set to 400 kbit/s"_s);
    QVERIFY(ActionOf(*m_window, "actionSpeed400k")->isChecked());
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestConnection::failedSpeedChangeRestoresMenu()
{
    auto adapter = CSimBus::Instance().Attach(ESimModel::A, L"A-1");
    QVERIFY(connectTo(u"VantrelA  SN A-1"_s));
    adapter->ShortenNextWrite(10);

    ActionOf(*m_window, "actionSpeed400k")->trigger();
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes[0].title, u"I2C Speed"_s);
    QVERIFY2(m_watcher->boxes[0].text.startsWith(u"Setting the speed failed:\n"_s),
             qPrintable(m_watcher->boxes[0].text));
    QVERIFY(m_watcher->boxes[0].text.size() > u"Setting the speed failed:\n"_s.size());
    QVERIFY(ActionOf(*m_window, "actionSpeed100k")->isChecked());
    QVERIFY(connected());
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());
}

void TestConnection::speedChangeWhileDisconnected()
{
    ActionOf(*m_window, "actionSpeed50k")->trigger();
    QVERIFY(ActionOf(*m_window, "actionSpeed50k")->isChecked());
    QVERIFY(!ActionOf(*m_window, "actionSpeed100k")->isChecked());
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestConnection::pullUpsWhileConnected()
{
    auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    QVERIFY(connectTo(u"VantrelB  SN B-1"_s));
    adapter->ClearReports();
    QAction *pullUps = ActionOf(*m_window, "actionPullUps");

    pullUps->trigger();
    QVERIFY(!pullUps->isChecked());
    QCOMPARE(ReportLines(adapter), QStringList({u"01"_s, u"01 01 80"_s}));
    QVERIFY(!adapter->GetPullUpsEnabled());
    QCOMPARE(m_window->statusBar()->currentMessage(), u"Internal pull-ups disabled"_s);

    pullUps->trigger();
    QVERIFY(adapter->GetPullUpsEnabled());
    QCOMPARE(m_window->statusBar()->currentMessage(), u"Internal pull-ups enabled"_s);
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestConnection::failedPullUpSwitchRestoresAction()
{
    auto adapter = CSimBus::Instance().Attach(ESimModel::B, L"B-1");
    QVERIFY(connectTo(u"VantrelB  SN B-1"_s));
    adapter->ShortenNextWrite(10);
    QAction *pullUps = ActionOf(*m_window, "actionPullUps");

    pullUps->trigger();
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes[0].title, u"Pull-ups"_s);
    QVERIFY2(m_watcher->boxes[0].text.startsWith(u"Switching the pull-ups failed:\n"_s),
             qPrintable(m_watcher->boxes[0].text));
    QVERIFY(pullUps->isChecked());
    QVERIFY(adapter->GetPullUpsEnabled());
}

VTL_TEST_MAIN(TestConnection)
#include "tst_connection.moc"
