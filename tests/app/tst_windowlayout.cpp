// SPDX-License-Identifier: MIT
// The window's arrangement and keyboard: every dock open still fits a laptop screen, Reset
// Layout tabs the docks again, and menus, docks and fields are reached from the keyboard.
#include "AppTestSupport.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QDockWidget>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QTabBar>

using namespace Qt::StringLiterals;

namespace {

const QStringList DOCK_ACTIONS = {u"actionProjects"_s, u"actionWatch"_s, u"actionRegisters"_s,
                                  u"actionEeprom"_s, u"actionScan"_s};

} // namespace

class TestWindowLayout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup()
    {
        m_window.reset();
        CSimBus::Instance().Reset();
    }

    void everyDockOpenFitsLaptopScreen();
    void resetLayoutTabsEveryDock();
    void dockShortcutBringsDockToFront_data();
    void dockShortcutBringsDockToFront();
    void altLetterOpensMenu_data();
    void altLetterOpensMenu();
    void tabWalksFieldsTableAndProjects();

private:
    QDockWidget *dock(const QString &name) const { return Child<QDockWidget>(*m_window, name); }
    void openEveryDock();

    std::unique_ptr<MainWindow> m_window;
};

void TestWindowLayout::init()
{
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestWindowLayout::openEveryDock()
{
    for (const QString &name : DOCK_ACTIONS) {
        QAction *action = Child<QAction>(*m_window, name);
        if (!action->isChecked())
            action->trigger();
        QVERIFY2(action->isChecked(), qPrintable(name));
    }
}

void TestWindowLayout::everyDockOpenFitsLaptopScreen()
{
    const int widthBefore = m_window->width();
    openEveryDock();
    // Opening a dock adds a tab; it does not widen the window.
    QCOMPARE(m_window->width(), widthBefore);
    const QSize minimum = m_window->minimumSizeHint();
    QVERIFY2(minimum.width() <= 1366 && minimum.height() <= 768,
             qPrintable(u"minimum %1x%2"_s.arg(minimum.width()).arg(minimum.height())));
    m_window->resize(1366, 768);
    QTRY_COMPARE(m_window->size(), QSize(1366, 768));
}

void TestWindowLayout::resetLayoutTabsEveryDock()
{
    openEveryDock();
    // Scattered by the user: one floating, one at the bottom, one closed.
    dock(u"dock_eeprom"_s)->setFloating(true);
    m_window->addDockWidget(Qt::BottomDockWidgetArea, dock(u"dock_scan"_s));
    dock(u"dock_watch"_s)->close();

    Child<QAction>(*m_window, u"actionResetLayout"_s)->trigger();
    QDockWidget *projects = dock(u"dock_projects"_s);
    const QList<QDockWidget *> tabbed = m_window->tabifiedDockWidgets(projects);
    for (const QString &name : {u"dock_registers"_s, u"dock_eeprom"_s, u"dock_scan"_s}) {
        QDockWidget *other = dock(name);
        QVERIFY2(!other->isFloating(), qPrintable(name));
        QCOMPARE(m_window->dockWidgetArea(other), Qt::RightDockWidgetArea);
        QVERIFY2(tabbed.contains(other), qPrintable(name));
        QVERIFY(!other->isHidden());
    }
    // A closed dock stays closed; the projects are in front.
    QVERIFY(dock(u"dock_watch"_s)->isHidden());
    QVERIFY(!Child<QAction>(*m_window, u"actionWatch"_s)->isChecked());
    QTRY_VERIFY(!projects->visibleRegion().isEmpty());
    // The tabs elide long names in the middle and name the dock in full in their tool tip.
    const QList<QTabBar *> bars = m_window->findChildren<QTabBar *>(Qt::FindDirectChildrenOnly);
    QVERIFY(!bars.isEmpty());
    for (const QTabBar *bar : bars) {
        QCOMPARE(bar->elideMode(), Qt::ElideMiddle);
        for (int i = 0; i < bar->count(); ++i)
            QVERIFY(!bar->tabToolTip(i).isEmpty() || bar->tabText(i).isEmpty());
    }
}

void TestWindowLayout::dockShortcutBringsDockToFront_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("dockName");
    QTest::newRow("Ctrl+1 Projects") << int(Qt::Key_1) << u"dock_projects"_s;
    QTest::newRow("Ctrl+2 Watch") << int(Qt::Key_2) << u"dock_watch"_s;
    QTest::newRow("Ctrl+3 Registers") << int(Qt::Key_3) << u"dock_registers"_s;
    QTest::newRow("Ctrl+4 EEPROM") << int(Qt::Key_4) << u"dock_eeprom"_s;
    QTest::newRow("Ctrl+5 Bus Scan") << int(Qt::Key_5) << u"dock_scan"_s;
}

// From a field, the shortcut opens its dock; pressed again while another tab covers it,
// it brings the dock to the front instead of closing it.
void TestWindowLayout::dockShortcutBringsDockToFront()
{
    QFETCH(int, key);
    QFETCH(QString, dockName);
    auto *field = Child<QWidget>(*m_window, u"edit_write"_s);
    field->setFocus();
    QDockWidget *wanted = dock(dockName);
    if (dockName != u"dock_projects"_s) {
        QVERIFY(wanted->isHidden());
        QTest::keyClick(field, Qt::Key(key), Qt::ControlModifier);
        QTRY_VERIFY(!wanted->visibleRegion().isEmpty());
    }
    openEveryDock();
    QTRY_VERIFY(wanted->visibleRegion().isEmpty() || dockName == u"dock_scan"_s);
    // Another dock to the front, then the shortcut again.
    (dockName == u"dock_scan"_s ? dock(u"dock_watch"_s) : dock(u"dock_scan"_s))->raise();
    QTRY_VERIFY(wanted->visibleRegion().isEmpty());
    QTest::keyClick(field, Qt::Key(key), Qt::ControlModifier);
    QTRY_VERIFY(!wanted->visibleRegion().isEmpty());
    QVERIFY(!wanted->isHidden());
}

void TestWindowLayout::altLetterOpensMenu_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("menuName");
    QTest::newRow("Alt+F") << int(Qt::Key_F) << u"menuFile"_s;
    QTest::newRow("Alt+B") << int(Qt::Key_B) << u"menuBus"_s;
    QTest::newRow("Alt+O") << int(Qt::Key_O) << u"menuOptions"_s;
    QTest::newRow("Alt+V") << int(Qt::Key_V) << u"menuView"_s;
    QTest::newRow("Alt+H") << int(Qt::Key_H) << u"menuHelp"_s;
}

void TestWindowLayout::altLetterOpensMenu()
{
    QFETCH(int, key);
    QFETCH(QString, menuName);
    auto *field = Child<QWidget>(*m_window, u"edit_write"_s);
    field->setFocus();
    QTest::keyClick(field, Qt::Key(key), Qt::AltModifier);
    auto *menu = Child<QMenu>(*m_window, menuName);
    QTRY_VERIFY(menu->isVisible());
    menu->close();
}

// Tab goes row by row through the fields, through the table and out of it into the
// projects dock.
void TestWindowLayout::tabWalksFieldsTableAndProjects()
{
    const QStringList expected = {u"btn_i2c_search"_s,
                                  u"edit_write"_s,
                                  u"tbtn_write_clear"_s,
                                  u"btn_write"_s,
                                  u"tbtn_write_save"_s,
                                  u"cmb_startstop"_s,
                                  u"spin_read"_s,
                                  u"btn_read"_s,
                                  u"tbtn_read_save"_s,
                                  u"btn_write_read"_s,
                                  u"btn_write_read_save"_s,
                                  u"cmb_bytes_per_line"_s,
                                  u"cmb_offset_format"_s,
                                  u"table_data"_s,
                                  u"edit_projects_filter"_s,
                                  u"tree_projects"_s};
    // Connected, so that the transfer buttons take part.
    CSimBus::Instance().Attach(ESimModel::A, L"T-1");
    CModalWatcher watcher;
    QVERIFY(ConnectWindow(*m_window, watcher, u"VantrelA  SN T-1"_s));
    // The offscreen platform does not hand the activation back after the adapter dialog.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    // Rows in the table, so that Tab has cells it could move between.
    m_window->addTableRow(u"Read 0x50"_s, u"0x02"_s, std::vector<unsigned char>{1, 2}, false);
    m_window->addTableRow(u"Read 0x50"_s, u"0x02"_s, std::vector<unsigned char>{3, 4}, false);
    QWidget *field = Child<QWidget>(*m_window, u"cmb_i2c_device"_s);
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    QStringList walked;
    for (qsizetype i = 0; i < expected.size(); ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focus = QApplication::focusWidget();
        // An editable combo box's line edit has the focus on its behalf.
        walked << (focus && focus->objectName().isEmpty() && focus->parentWidget()
                       ? focus->parentWidget()->objectName()
                       : (focus ? focus->objectName() : QString()));
    }
    QCOMPARE(walked, expected);
}

VTL_TEST_MAIN(TestWindowLayout)
#include "tst_windowlayout.moc"
