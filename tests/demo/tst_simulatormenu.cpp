// SPDX-License-Identifier: MIT
// The demo's Simulator menu on a connected window: each entry acts on the running bench.
#include "PresetWindowFixture.h"
#include "SimulatorMenu.h"
#include "VtlTestMain.h"

#include <QLineEdit>
#include <QSpinBox>

using namespace Qt::StringLiterals;

class TestSimulatorMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void unplugAndReplug();
    void faultsShowInTheRows_data();
    void faultsShowInTheRows();

private:
    QTableWidget *table() const { return Child<QTableWidget>(*m_app.window, u"table_data"_s); }
    void read(const QString &address);

    CPresetWindowFixture m_app;
};

void TestSimulatorMenu::init()
{
    const auto addMenu = [this](MainWindow &window) {
        AddSimulatorMenu(window, m_app.bench);
    };
    QVERIFY(m_app.Open(u"VantrelA  SN SIM-A-0001"_s, addMenu));
}

void TestSimulatorMenu::cleanup()
{
    m_app.Close();
}

void TestSimulatorMenu::read(const QString &address)
{
    Child<QComboBox>(*m_app.window, u"cmb_i2c_device"_s)->setEditText(address);
    Child<QSpinBox>(*m_app.window, u"spin_read"_s)->setValue(1);
    Child<QAbstractButton>(*m_app.window, u"btn_read"_s)->click();
}

// One loss message for the pulled cable; plugged in again, the adapter connects anew.
void TestSimulatorMenu::unplugAndReplug()
{
    QAction *unplug = ActionOf(*m_app.window, "actionSimUnplugA");
    unplug->trigger();
    QTRY_VERIFY(!ActionOf(*m_app.window, "actionDisconnect")->isEnabled());
    QTest::qWait(1500);
    QCOMPARE(m_app.watcher->boxes.size(), 1);
    QCOMPARE(m_app.watcher->boxes.first().icon, QMessageBox::Critical);
    QVERIFY(!m_app.bench.adapterA->IsPlugged());

    unplug->trigger();
    QVERIFY(m_app.bench.adapterA->IsPlugged());
    QVERIFY(ConnectWindow(*m_app.window, *m_app.watcher, u"VantrelA  SN SIM-A-0001"_s));
}

void TestSimulatorMenu::faultsShowInTheRows_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("flags");
    QTest::newRow("drop next reply") << u"actionSimDropReply"_s << u"Timeout"_s;
    QTest::newRow("EEPROM stops acknowledging") << u"actionSimSilenceA_50"_s << u"NACK"_s;
}

// The entry spoils the next read only (or, for a silenced slave, until it is unchecked).
void TestSimulatorMenu::faultsShowInTheRows()
{
    QFETCH(QString, action);
    QFETCH(QString, flags);
    QAction *entry = Child<QAction>(*m_app.window, action);
    entry->trigger();
    read(u"0x50"_s);
    QCOMPARE(table()->rowCount(), 1);
    QVERIFY2(table()->item(0, 1)->text().contains(flags), qPrintable(table()->item(0, 1)->text()));
    QCOMPARE(table()->item(0, 1)->foreground().color(), QColor(0xF4, 0x43, 0x36));
    if (entry->isCheckable())
        entry->trigger();
    read(u"0x50"_s);
    QCOMPARE(table()->rowCount(), 2);
    QCOMPARE(table()->item(1, 1)->foreground().style(), Qt::NoBrush);
    QVERIFY(m_app.watcher->boxes.isEmpty());
}

VTL_TEST_MAIN(TestSimulatorMenu)
#include "tst_simulatormenu.moc"
