// SPDX-License-Identifier: MIT
// The Watch dock in the window: readings repeated on the simulated bench, decoded, no
// rows while watching and one summary row at the end, failed readings, an unplug, and
// the user's own transactions between the readings.
#include "AppTestSupport.h"
#include "CSimPresetBench.h"
#include "SI2cCommand.h"
#include "VtlTestMain.h"
#include "WatchPanel.h"
#include "mainwindow.h"

#include <QDockWidget>
#include <QLineEdit>
#include <QRegularExpression>
#include <QSettings>
#include <QSpinBox>

using namespace Qt::StringLiterals;

namespace {

SI2cCommand LuxCommand()
{
    SI2cCommand command;
    command.label = u"Lux"_s;
    command.type = EI2cCommandType::Read;
    command.count = 2;
    command.value = SValueDecoding{0, EValueType::U16Be, 1 / 1.2, 0, u"lx"_s};
    return command;
}

} // namespace

class TestWatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { Q_INIT_RESOURCE(resources); }
    void init();
    void cleanup();

    void dockAndAction();
    void watchesTheLightSensorInLux();
    void failedReadingsAreCounted();
    void unplugStopsTheWatchWithOneMessage();
    void ownTransactionsRunBetweenReadings();
    void fromFieldsChoosesReadOrWriteRead();

private:
    WatchPanel *panel() const { return m_window->findChild<WatchPanel *>(); }
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }
    void watchCommand(unsigned char address, const SI2cCommand &command);
    void click(const QString &button);
    void powerOnLightSensor();

    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<CModalWatcher> m_watcher;
    SSimPresetBench m_bench;
};

void TestWatch::init()
{
    CSimBus::Instance().Reset();
    QSettings().clear();
    m_bench = CSimPresetBench::Attach(std::chrono::nanoseconds(0));
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    m_watcher = std::make_unique<CModalWatcher>();
    m_watcher->isConnected = [this] {
        return ActionOf(*m_window, "actionDisconnect")->isEnabled();
    };
    QVERIFY(ConnectWindow(*m_window, *m_watcher, u"VantrelA  SN SIM-A-0001"_s));
    Child<QSpinBox>(*m_window, u"spin_watch_interval"_s)->setValue(10);
}

void TestWatch::cleanup()
{
    m_watcher.reset();
    m_window.reset();
    m_bench = {};
    CSimBus::Instance().Reset();
}

void TestWatch::watchCommand(unsigned char address, const SI2cCommand &command)
{
    QMetaObject::invokeMethod(m_window.get(), "onWatchCommand", Qt::DirectConnection,
                              Q_ARG(uint8_t, address), Q_ARG(SI2cCommand, command));
}

void TestWatch::click(const QString &button)
{
    Child<QAbstractButton>(*m_window, button)->click();
}

void TestWatch::powerOnLightSensor()
{
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x23"_s);
    for (const QString &opcode : {u"01"_s, u"10"_s}) {
        Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(opcode);
        click(u"btn_write"_s);
    }
    // The first high-resolution measurement takes 120 ms.
    QTest::qWait(200);
    table()->setRowCount(0);
}

void TestWatch::dockAndAction()
{
    auto *dock = Child<QDockWidget>(*m_window, u"dock_watch"_s);
    QAction *action = ActionOf(*m_window, "actionWatch");
    QCOMPARE(dock->windowTitle(), u"Watch"_s);
    QCOMPARE(m_window->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    QVERIFY(dock->isHidden());
    QVERIFY(!action->isChecked());
    action->trigger();
    QVERIFY(!dock->isHidden());
    QVERIFY(action->isChecked());
    // Watching a command brings the dock up with the command's decoding.
    action->trigger();
    watchCommand(0x23, LuxCommand());
    QVERIFY(!dock->isHidden());
    QCOMPARE(Child<QLabel>(*m_window, u"label_watch_target"_s)->text(), u"Read 0x23, 2 bytes"_s);
    QCOMPARE(panel()->decoding(), *LuxCommand().value);
}

void TestWatch::watchesTheLightSensorInLux()
{
    powerOnLightSensor();
    watchCommand(0x23, LuxCommand());
    click(u"btn_watch_start"_s);
    QVERIFY(panel()->isRunning());
    QTRY_VERIFY_WITH_TIMEOUT(panel()->log().Count() >= 15, 10000);
    // Watching adds no rows.
    QCOMPARE(table()->rowCount(), 0);
    click(u"btn_watch_stop"_s);
    QVERIFY(!panel()->isRunning());

    const CWatchLog &log = panel()->log();
    QCOMPARE(log.FailedCount(), 0);
    // The sensor's 320 lx, wandering a few per cent.
    for (const SWatchSample &sample : log.Samples()) {
        QCOMPARE(sample.bytes.size(), std::size_t(2));
        QVERIFY(sample.value.has_value());
        QVERIFY2(*sample.value > 280 && *sample.value < 360,
                 qPrintable(QString::number(*sample.value)));
        QCOMPARE(*sample.value, (sample.bytes[0] * 256 + sample.bytes[1]) / 1.2);
    }
    for (std::size_t i = 1; i < log.Samples().size(); ++i)
        QVERIFY(log.Samples().at(i).timeMs >= log.Samples().at(i - 1).timeMs);

    QCOMPARE(table()->rowCount(), 1);
    const QStringList row = RowTexts(*table(), 0);
    QCOMPARE(row.at(0), u"Watch 0x23"_s);
    QCOMPARE(row.at(1), QString());
    QCOMPARE(row.at(2), panel()->summaryText());
    const QRegularExpression summary(
        u"^%1 samples, 0 failed, min [0-9.]+ lx, max [0-9.]+ lx, last [0-9.]+ lx$"_s.arg(
            log.Count()));
    QVERIFY2(summary.match(row.at(2)).hasMatch(), qPrintable(row.at(2)));
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestWatch::failedReadingsAreCounted()
{
    SI2cCommand command = LuxCommand();
    watchCommand(0x33, command);
    click(u"btn_watch_start"_s);
    QTRY_VERIFY_WITH_TIMEOUT(panel()->log().FailedCount() >= 5, 10000);
    click(u"btn_watch_stop"_s);
    const CWatchLog &log = panel()->log();
    QCOMPARE(log.FailedCount(), log.Count());
    QCOMPARE(log.Samples().front().error, u"NACK received"_s);
    QCOMPARE(RowTexts(*table(), 0).at(2), u"%1 samples, %1 failed"_s.arg(log.Count()));
    QVERIFY(m_watcher->boxes.isEmpty());
    QVERIFY(ActionOf(*m_window, "actionDisconnect")->isEnabled());
}

void TestWatch::unplugStopsTheWatchWithOneMessage()
{
    powerOnLightSensor();
    watchCommand(0x23, LuxCommand());
    click(u"btn_watch_start"_s);
    QTRY_VERIFY_WITH_TIMEOUT(panel()->log().Count() >= 3, 10000);
    m_bench.adapterA->Unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!panel()->isRunning(), 10000);
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher->boxes.size(), 1, 5000);
    QCOMPARE(m_watcher->boxes.at(0).text, u"Connection to the Vantrel was lost."_s);
    QVERIFY(ActionOf(*m_window, "actionConnect")->isEnabled());
    // The readings until the unplug are summed up; the presence timer finds nothing more.
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(RowTexts(*table(), 0).at(0), u"Watch 0x23"_s);
    QTest::qWait(1200);
    QCOMPARE(m_watcher->boxes.size(), 1);
}

void TestWatch::ownTransactionsRunBetweenReadings()
{
    powerOnLightSensor();
    watchCommand(0x23, LuxCommand());
    click(u"btn_watch_start"_s);
    QTRY_VERIFY_WITH_TIMEOUT(panel()->log().Count() >= 3, 10000);

    // A register read of the EEPROM while the watch goes on.
    m_bench.eepromA->SetContents(0x10, {0xC0, 0xFF, 0xEE});
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"10"_s);
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(3);
    for (int i = 0; i < 5; ++i)
        click(u"btn_write_read"_s);
    QCOMPARE(table()->rowCount(), 5);
    for (int row = 0; row < 5; ++row)
        QCOMPARE(RowTexts(*table(), row),
                 (QStringList{u"Write/Read 0x50 [10]"_s, u"0x03"_s, u"C0 FF EE"_s}));

    const std::size_t before = panel()->log().Count();
    QTRY_VERIFY_WITH_TIMEOUT(panel()->log().Count() >= before + 3, 10000);
    QCOMPARE(panel()->log().FailedCount(), 0);
    // Disconnecting ends the watch with its summary.
    ActionOf(*m_window, "actionDisconnect")->trigger();
    QVERIFY(!panel()->isRunning());
    QCOMPARE(RowTexts(*table(), 5).at(0), u"Watch 0x23"_s);
    QVERIFY(m_watcher->boxes.isEmpty());
}

void TestWatch::fromFieldsChoosesReadOrWriteRead()
{
    auto *target = Child<QLabel>(*m_window, u"label_watch_target"_s);
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x48"_s);
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(2);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"00"_s);
    click(u"btn_watch_from_fields"_s);
    QCOMPARE(target->text(), u"Write/Read 0x48 [00] > 2 bytes"_s);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->clear();
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(1);
    click(u"btn_watch_from_fields"_s);
    QCOMPARE(target->text(), u"Read 0x48, 1 byte"_s);

    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x80"_s);
    click(u"btn_watch_from_fields"_s);
    QCOMPARE(m_watcher->boxes.size(), 1);
    QCOMPARE(m_watcher->boxes.at(0).title, u"Watch"_s);
    QCOMPARE(target->text(), u"Read 0x48, 1 byte"_s);
}

VTL_TEST_MAIN(TestWatch)
#include "tst_watch.moc"
