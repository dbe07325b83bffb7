// SPDX-License-Identifier: MIT
// The demo's Simulator menu on a connected window: each entry acts on the running bench.
#include "PresetWindowFixture.h"
#include "SimulatorMenu.h"
#include "VtlTestMain.h"

#include <QLineEdit>
#include <QProgressDialog>
#include <QSpinBox>
#include <QToolButton>
#include <QWindow>

using namespace Qt::StringLiterals;

class TestSimulatorMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void unplugAndReplug();
    void unplugDuringLongRead();
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

// The Simulator window stays usable under the window-modal progress dialog of a long read,
// so the cable can be pulled in the middle: the read ends with one loss message naming the
// adapter, and no row.
void TestSimulatorMenu::unplugDuringLongRead()
{
    ActionOf(*m_app.window, "actionSimWindow")->trigger();
    QWidget *simulator = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == u"simulatorWindow"_s)
            simulator = widget;
    }
    QVERIFY(simulator != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(simulator));
    ActionOf(*m_app.window, "actionSimSlowFrames")->trigger();
    // The progress dialog is left up; the watcher only records the loss message.
    m_app.watcher->onDialog = [](QDialog *) {};

    bool pulled = false;
    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        auto *progress = m_app.window->findChild<QProgressDialog *>(u"progress_transfer"_s);
        if (pulled || progress == nullptr || !progress->isVisible())
            return;
        pulled = true;
        QCOMPARE(progress->windowModality(), Qt::WindowModal);
        // The whole title fits: the dialog is at least as wide as the title's text.
        QVERIFY(progress->width() >
                progress->fontMetrics().horizontalAdvance(progress->windowTitle()));
        // A click through the window system, which drops clicks on blocked windows.
        auto *button = Child<QToolButton>(*simulator, u"btn_actionSimUnplugA"_s);
        QTest::mouseClick(simulator->windowHandle(), Qt::LeftButton, {},
                          button->mapTo(simulator, button->rect().center()));
    });
    poll.start();
    Child<QComboBox>(*m_app.window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    Child<QSpinBox>(*m_app.window, u"spin_read"_s)->setValue(65535);
    Child<QAbstractButton>(*m_app.window, u"btn_read"_s)->click();

    QVERIFY(pulled);
    QVERIFY(ActionOf(*m_app.window, "actionSimUnplugA")->isChecked());
    QVERIFY(!m_app.bench.adapterA->IsPlugged());
    QCOMPARE(table()->rowCount(), 0);
    QTRY_COMPARE(m_app.watcher->boxes.size(), 1);
    QCOMPARE(m_app.watcher->boxes[0].text, u"Connection to the Vantrel was lost."_s);
    QCOMPARE(m_app.watcher->boxes[0].detail, u"Adapter: VantrelA  SN SIM-A-0001"_s);
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
