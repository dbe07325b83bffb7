// SPDX-License-Identifier: MIT
#include "VtlTestMain.h"
#include "aboutdialog.h"
#include "mainwindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QComboBox>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSpacerItem>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

template <typename T>
T *child(const QObject &root, const QString &name)
{
    return root.findChild<T *>(name);
}

// Entries of a menu or tool bar: object names, submenus by their menu's name, "-" for
// a separator.
QStringList entriesOf(const QList<QAction *> &actions)
{
    QStringList entries;
    for (const QAction *action : actions) {
        if (action->isSeparator())
            entries << u"-"_s;
        else if (action->menu() != nullptr)
            entries << action->menu()->objectName();
        else
            entries << action->objectName();
    }
    return entries;
}

// Items of a layout: widget or layout names, spacers as "<Policy>" with their hint.
QStringList itemsOf(const QLayout &layout)
{
    QStringList items;
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem *item = layout.itemAt(i);
        if (item->widget() != nullptr) {
            items << item->widget()->objectName();
        } else if (item->layout() != nullptr) {
            items << item->layout()->objectName();
        } else if (QSpacerItem *spacer = item->spacerItem()) {
            const QSizePolicy policy = spacer->sizePolicy();
            const QString horizontal =
                policy.horizontalPolicy() == QSizePolicy::Expanding ? u"Expanding"_s
                : policy.horizontalPolicy() == QSizePolicy::Fixed   ? u"Fixed"_s
                                                                    : u"Other"_s;
            const bool minimumVertical = policy.verticalPolicy() == QSizePolicy::Minimum;
            items << u"<%1 %2x%3%4>"_s.arg(horizontal)
                         .arg(spacer->sizeHint().width())
                         .arg(spacer->sizeHint().height())
                         .arg(minimumVertical ? QString() : u" bad vertical policy"_s);
        }
    }
    return items;
}

bool sameImage(const QIcon &icon, const QImage &image)
{
    const QImage shown =
        icon.pixmap(image.size()).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return shown == image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// Waits for the next modal widget and hands it to the handler; keeps looking until one
// appears, so the handler never runs before the dialog is up.
void answerNextModal(std::function<void(QWidget *)> handler)
{
    QTimer::singleShot(0, qApp, [handler = std::move(handler)]() mutable {
        if (QWidget *modal = QApplication::activeModalWidget())
            handler(modal);
        else
            answerNextModal(std::move(handler));
    });
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void firstStartShowsDefaults();
    void speedActionsCarryCodes_data();
    void speedActionsCarryCodes();
    void formActions_data();
    void formActions();
    void formTexts_data();
    void formTexts();
    void formLayouts_data();
    void formLayouts();
    void tableHeaderAndSetup();
    void menus_data();
    void menus();
    void toolBarEntries();
    void formIcons_data();
    void formIcons();
    void noIconOutsideTheList();

    void closedDockStaysClosed();
    void geometrySurvivesRestart();
    void tableLayoutIsRestored_data();
    void tableLayoutIsRestored();

    void clearOutputEmptiesTable();
    void clearInputEmptiesWriteField();
    void exitClosesAndSavesLayout();
    void aboutOpensModalDialog();
};

void TestMainWindow::initTestCase()
{
    Q_INIT_RESOURCE(resources);
}

void TestMainWindow::init()
{
    QSettings().clear();
}

void TestMainWindow::firstStartShowsDefaults()
{
    MainWindow window;
    QCOMPARE(window.windowTitle(), u"Vantrel I2C Tool"_s);
    QCOMPARE(window.size(), QSize(1070, 627));
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    auto *dock = child<QDockWidget>(window, u"dock_projects"_s);
    QVERIFY(dock != nullptr);
    QVERIFY(dock->isVisible());
    QCOMPARE(window.dockWidgetArea(dock), Qt::RightDockWidgetArea);
    QVERIFY(child<QAction>(window, u"actionProjects"_s)->isChecked());

    for (const QString &name : {u"actionSpeed100k"_s, u"actionAddress7Bit"_s, u"actionPullUps"_s})
        QVERIFY2(child<QAction>(window, name)->isChecked(), qPrintable(name));
    for (const QString &name : {u"actionSpeed10k"_s, u"actionSpeed50k"_s, u"actionSpeed400k"_s,
                                u"actionSpeed1000k"_s, u"actionAddress8Bit"_s})
        QVERIFY2(!child<QAction>(window, name)->isChecked(), qPrintable(name));

    auto *bytesPerLine = child<QComboBox>(window, u"cmb_bytes_per_line"_s);
    QCOMPARE(bytesPerLine->currentText(), u"16"_s);
    QList<int> itemData;
    for (int i = 0; i < bytesPerLine->count(); ++i)
        itemData << bytesPerLine->itemData(i, Qt::UserRole).toInt();
    QCOMPARE(itemData, QList<int>({2, 4, 8, 16, 32, 0}));
    QCOMPARE(child<QComboBox>(window, u"cmb_offset_format"_s)->currentText(), u"Hex"_s);
    QCOMPARE(child<QComboBox>(window, u"cmb_startstop"_s)->currentIndex(), 0);

    auto *readCount = child<QSpinBox>(window, u"spin_read"_s);
    QCOMPARE(readCount->minimum(), 1);
    QCOMPARE(readCount->maximum(), 65535);
    QCOMPARE(readCount->value(), 1);

    auto *address = child<QComboBox>(window, u"cmb_i2c_device"_s);
    QVERIFY(address->isEditable());
    QCOMPARE(address->insertPolicy(), QComboBox::NoInsert);
    QCOMPARE(address->lineEdit()->placeholderText(), u"0x50"_s);
    QCOMPARE(address->minimumContentsLength(), 6);
    QCOMPARE(child<QLineEdit>(window, u"edit_write"_s)->placeholderText(),
             u"Hex bytes without address, e.g. 01 A5 FF"_s);

    auto *version = child<QLabel>(window, u"label_version"_s);
    QVERIFY(version != nullptr);
    QCOMPARE(version->text(), u"v1.0.0"_s);
    QCOMPARE(version->styleSheet(), u"color:#607d8b"_s);
    QVERIFY(version->isVisible());
    QCOMPARE(window.statusBar()->styleSheet(), u"QStatusBar::item { border: none; }"_s);
    // The version sits at the right end, the connection state at the left.
    auto *state = child<QLabel>(window, u"label_status"_s);
    QVERIFY(state != nullptr);
    QVERIFY(version->mapTo(&window, QPoint()).x() > state->mapTo(&window, QPoint()).x());
    QCOMPARE(state->text(),
             u"<span style=\"color:#607d8b; font-weight:bold\">No device connected</span>"_s);
    QVERIFY(child<QWidget>(window, u"widget_adapter_info"_s)->isHidden());

    QVERIFY(child<QAction>(window, u"actionConnect"_s)->isEnabled());
    for (const QString &name : {u"actionDisconnect"_s, u"actionI2cSearch"_s})
        QVERIFY2(!child<QAction>(window, name)->isEnabled(), qPrintable(name));
    for (const QString &name :
         {u"btn_i2c_search"_s, u"btn_write"_s, u"btn_read"_s, u"btn_write_read"_s})
        QVERIFY2(!child<QWidget>(window, name)->isEnabled(), qPrintable(name));
    // Input stays usable while disconnected, so a command can be loaded at any time.
    for (const QString &name :
         {u"cmb_i2c_device"_s, u"edit_write"_s, u"spin_read"_s, u"tbtn_write_save"_s,
          u"tbtn_read_save"_s, u"btn_write_read_save"_s})
        QVERIFY2(child<QWidget>(window, name)->isEnabled(), qPrintable(name));
    for (const QString &name : {u"actionSpeed10k"_s, u"actionSpeed1000k"_s, u"actionPullUps"_s})
        QVERIFY2(child<QAction>(window, name)->isEnabled(), qPrintable(name));
}

void TestMainWindow::speedActionsCarryCodes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("code");
    QTest::newRow("10k") << u"actionSpeed10k"_s << u"10 kbit/s"_s << 3;
    QTest::newRow("50k") << u"actionSpeed50k"_s << u"50 kbit/s"_s << 2;
    QTest::newRow("100k") << u"actionSpeed100k"_s << u"100 kbit/s"_s << 0;
    QTest::newRow("400k") << u"actionSpeed400k"_s << u"400 kbit/s"_s << 1;
    QTest::newRow("1000k") << u"actionSpeed1000k"_s << u"1000 kbit/s"_s << 4;
}

void TestMainWindow::speedActionsCarryCodes()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(int, code);
    MainWindow window;
    auto *action = child<QAction>(window, name);
    QVERIFY(action != nullptr);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->data().toInt(), code);
    QVERIFY(action->isCheckable());
    QVERIFY(action->actionGroup() != nullptr);
    QVERIFY(action->actionGroup()->isExclusive());
    QCOMPARE(action->actionGroup()->actions().size(), 5);
}

void TestMainWindow::formActions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("toolTip");
    QTest::addColumn<QString>("shortcut");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("noRole");

    const auto row = [](const QString &name, const QString &text, const QString &toolTip,
                        const QString &shortcut, bool checkable, bool noRole) {
        QTest::newRow(qPrintable(name))
            << name << text << toolTip << shortcut << checkable << noRole;
    };
    // An empty tooltip stands for the action's text, which Qt shows when none is set (an
    // ellipsis dropped).
    row(u"actionConnect"_s, u"Connect"_s, {}, u"Ctrl+K"_s, false, true);
    row(u"actionDisconnect"_s, u"Disconnect"_s, {}, u"Ctrl+Shift+K"_s, false, true);
    row(u"actionAbout"_s, u"About"_s, {}, {}, false, true);
    row(u"actionI2cSearch"_s, u"I2C Search"_s, {}, u"F5"_s, false, true);
    row(u"actionExit"_s, u"Exit"_s, {},
        QKeySequence(QKeySequence::Quit).toString(QKeySequence::PortableText), false, true);
    row(u"actionAddress7Bit"_s, u"7-bit (e.g. 0x23)"_s, {}, {}, true, true);
    row(u"actionAddress8Bit"_s, u"8-bit (e.g. 0x46)"_s, {}, {}, true, true);
    row(u"actionPullUps"_s, u"Internal Pull-ups (VantrelB)"_s,
        u"Internal pull-up resistors on SDA/SCL. Switch off for external pull-ups or lower "
        "voltage levels."_s,
        {}, true, true);
    row(u"actionCopyReport"_s, u"Copy Report"_s,
        u"Copy type, flags and data of the selected rows"_s, u"Ctrl+C"_s, false, true);
    row(u"actionCopyData"_s, u"Copy Data"_s, u"Copy only the hex data of the selected rows"_s,
        u"Ctrl+Shift+C"_s, false, true);
    row(u"actionCopyDataAsShown"_s, u"Copy Data as Shown"_s,
        u"Copy the data of the selected rows as shown, with offsets and line breaks"_s, {}, false,
        true);
    row(u"actionTableClear"_s, u"Clear Output"_s, u"Clear Output"_s, {}, false, true);
    row(u"actionWriteRead"_s, u"Write/Read"_s,
        u"Write the bytes without a stop, then read the count with a repeated start"_s,
        u"Ctrl+Shift+Return"_s, false, true);
    row(u"actionProjects"_s, u"Projects"_s, {}, u"Ctrl+1"_s, true, false);
    row(u"actionProjects_Folder"_s, u"Projects Folder..."_s, u"Projects Folder"_s, {}, false,
        false);
    row(u"actionShowTime"_s, u"Show Time Column"_s, {}, {}, true, true);
    row(u"actionShowAscii"_s, u"Show ASCII Column"_s, {}, {}, true, true);
    row(u"actionShowOrigin"_s, u"Show Origin Column"_s,
        u"The program that asked for each transaction through the shared adapter"_s, {}, true,
        true);
    row(u"actionShareAdapter"_s, u"Share Adapter"_s,
        u"Let the command line, scripts and other windows use the connected adapter through "
        u"this window"_s,
        {}, true, true);
    row(u"actionSaveLog"_s, u"Save Log..."_s, u"Save Log"_s, u"Ctrl+S"_s, false, true);
    row(u"actionUndoClear"_s, u"Undo Clear Output"_s, {}, u"Ctrl+Z"_s, false, true);
}

void TestMainWindow::formActions()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, toolTip);
    QFETCH(QString, shortcut);
    QFETCH(bool, checkable);
    QFETCH(bool, noRole);

    MainWindow window;
    auto *action = child<QAction>(window, name);
    QVERIFY(action != nullptr);
    QCOMPARE(action->parent(), &window);
    QCOMPARE(action->text(), text);
    QCOMPARE(action->toolTip(), toolTip.isEmpty() ? text : toolTip);
    QCOMPARE(action->shortcut(), QKeySequence(shortcut));
    // The copy shortcuts act only in the table; the bus actions' anywhere in the window.
    if (!shortcut.isEmpty()) {
        QCOMPARE(action->shortcutContext(),
                 name.startsWith(u"actionCopy"_s) ? Qt::WidgetShortcut : Qt::WindowShortcut);
    }
    QCOMPARE(action->isCheckable(), checkable);
    QCOMPARE(action->menuRole() == QAction::NoRole, noRole);
}

void TestMainWindow::formTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("property");
    QTest::addColumn<QVariant>("value");

    const auto row = [](const QString &name, const char *property, const QVariant &value) {
        QTest::addRow("%s.%s", qPrintable(name), property)
            << name << QString::fromLatin1(property) << value;
    };
    row(u"label"_s, "text", u"I2C Device:"_s);
    row(u"btn_i2c_search"_s, "text", u"Search"_s);
    row(u"label_3"_s, "text", u"Write Bytes"_s);
    row(u"tbtn_write_clear"_s, "text", QString());
    row(u"tbtn_write_clear"_s, "toolTip", u"Clear input"_s);
    row(u"btn_write"_s, "text", u"Write"_s);
    row(u"tbtn_write_save"_s, "text", QString());
    row(u"tbtn_write_save"_s, "toolTip", u"Save as command in the selected device"_s);
    row(u"label_4"_s, "text", u"Write Options"_s);
    row(u"label_5"_s, "text", u"Start-/Stopbit"_s);
    row(u"label_2"_s, "text", u"Read Bytes"_s);
    row(u"btn_read"_s, "text", u"Read"_s);
    row(u"tbtn_read_save"_s, "text", QString());
    row(u"tbtn_read_save"_s, "toolTip", u"Save as command in the selected device"_s);
    row(u"btn_write_read"_s, "text", u"Write/Read"_s);
    row(u"btn_write_read_save"_s, "text", QString());
    row(u"btn_write_read_save"_s, "toolTip", u"Save as command in the selected device"_s);
    row(u"label_bytes_per_line"_s, "text", u"Bytes per line:"_s);
    row(u"label_offset_format"_s, "text", u"Offset:"_s);
    row(u"dock_projects"_s, "windowTitle", u"Projects"_s);
    row(u"toolBar"_s, "windowTitle", u"toolBar"_s);
    row(u"btn_projects_new"_s, "text", u"..."_s);
    row(u"btn_projects_new"_s, "toolTip", u"New device"_s);
    row(u"btn_projects_reload"_s, "text", u"..."_s);
    row(u"btn_projects_reload"_s, "toolTip", u"Reload projects folder"_s);
    row(u"btn_projects_folder"_s, "text", u"..."_s);
    row(u"btn_projects_folder"_s, "toolTip", u"Open projects folder"_s);
    row(u"label_projects_description"_s, "text", QString());
    row(u"edit_projects_filter"_s, "text", QString());
    row(u"cmb_startstop"_s, "items",
        QStringList({u"Auto"_s, u"Generate Start"_s, u"Generate Stop"_s, u"None"_s}));
    row(u"cmb_bytes_per_line"_s, "items",
        QStringList({u"2"_s, u"4"_s, u"8"_s, u"16"_s, u"32"_s, u"Full"_s}));
    row(u"cmb_offset_format"_s, "items", QStringList({u"Hex"_s, u"Dec"_s}));
}

void TestMainWindow::formTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, property);
    QFETCH(QVariant, value);

    MainWindow window;
    QObject *object = child<QObject>(window, name);
    QVERIFY(object != nullptr);
    if (property == u"items"_s) {
        auto *box = qobject_cast<QComboBox *>(object);
        QVERIFY(box != nullptr);
        QStringList items;
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        QCOMPARE(items, value.toStringList());
        return;
    }
    const QVariant actual = object->property(qPrintable(property));
    QVERIFY(actual.isValid());
    QCOMPARE(actual.toString(), value.toString());
}

void TestMainWindow::formLayouts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("className");
    QTest::addColumn<QStringList>("items");

    const QString expanding = u"<Expanding 40x20>"_s;
    QTest::newRow("verticalLayout_2")
        << u"verticalLayout_2"_s << u"QVBoxLayout"_s << QStringList({u"verticalLayout"_s});
    QTest::newRow("verticalLayout")
        << u"verticalLayout"_s << u"QVBoxLayout"_s
        << QStringList({u"horizontalLayout"_s, u"horizontalLayout_3"_s, u"horizontalLayout_2"_s,
                        u"horizontalLayout_4"_s, u"verticalLayout_3"_s});
    QTest::newRow("horizontalLayout")
        << u"horizontalLayout"_s << u"QHBoxLayout"_s
        << QStringList({u"label"_s, u"cmb_i2c_device"_s, u"btn_i2c_search"_s, expanding});
    QTest::newRow("horizontalLayout_3")
        << u"horizontalLayout_3"_s << u"QHBoxLayout"_s
        << QStringList({u"label_3"_s, u"edit_write"_s, u"tbtn_write_clear"_s, u"btn_write"_s,
                        u"tbtn_write_save"_s});
    QTest::newRow("horizontalLayout_2")
        << u"horizontalLayout_2"_s << u"QHBoxLayout"_s
        << QStringList(
               {u"label_4"_s, u"<Fixed 40x20>"_s, u"label_5"_s, u"cmb_startstop"_s, expanding});
    QTest::newRow("horizontalLayout_4")
        << u"horizontalLayout_4"_s << u"QHBoxLayout"_s
        << QStringList({u"label_2"_s, u"spin_read"_s, u"btn_read"_s, u"tbtn_read_save"_s,
                        u"btn_write_read"_s, u"btn_write_read_save"_s, expanding,
                        u"label_bytes_per_line"_s, u"cmb_bytes_per_line"_s,
                        u"label_offset_format"_s, u"cmb_offset_format"_s});
    QTest::newRow("verticalLayout_3")
        << u"verticalLayout_3"_s << u"QVBoxLayout"_s << QStringList({u"table_data"_s});
    QTest::newRow("verticalLayout_5")
        << u"verticalLayout_5"_s << u"QVBoxLayout"_s << QStringList({u"verticalLayout_4"_s});
    QTest::newRow("verticalLayout_4")
        << u"verticalLayout_4"_s << u"QVBoxLayout"_s
        << QStringList({u"horizontalLayout_6"_s, u"verticalLayout_6"_s, u"tree_projects"_s,
                        u"verticalLayout_7"_s});
    QTest::newRow("horizontalLayout_6")
        << u"horizontalLayout_6"_s << u"QHBoxLayout"_s
        << QStringList({expanding, u"btn_projects_new"_s, u"btn_projects_reload"_s,
                        u"btn_projects_folder"_s});
    QTest::newRow("verticalLayout_6")
        << u"verticalLayout_6"_s << u"QVBoxLayout"_s << QStringList({u"edit_projects_filter"_s});
    QTest::newRow("verticalLayout_7") << u"verticalLayout_7"_s << u"QVBoxLayout"_s
                                      << QStringList({u"label_projects_description"_s});
}

void TestMainWindow::formLayouts()
{
    QFETCH(QString, name);
    QFETCH(QString, className);
    QFETCH(QStringList, items);

    MainWindow window;
    auto *layout = child<QLayout>(window, name);
    QVERIFY(layout != nullptr);
    QCOMPARE(QString::fromLatin1(layout->metaObject()->className()), className);
    QCOMPARE(itemsOf(*layout), items);
}

void TestMainWindow::tableHeaderAndSetup()
{
    MainWindow window;
    QCOMPARE(window.centralWidget()->objectName(), u"centralwidget"_s);
    QCOMPARE(window.centralWidget()->layout()->objectName(), u"verticalLayout_2"_s);
    auto *dock = child<QDockWidget>(window, u"dock_projects"_s);
    QCOMPARE(dock->widget()->objectName(), u"dockWidgetContents"_s);
    QCOMPARE(dock->widget()->layout()->objectName(), u"verticalLayout_5"_s);
    QVERIFY(qobject_cast<QTreeView *>(child<QWidget>(window, u"tree_projects"_s)) != nullptr);
    QCOMPARE(window.statusBar()->objectName(), u"statusbar"_s);

    auto *table = child<QTableWidget>(window, u"table_data"_s);
    QVERIFY(table != nullptr);
    // The time and origin columns come last in the model, so columns 0 to 2 stay Type, Flags
    // and Data, and are shown first; they start hidden.
    QCOMPARE(table->columnCount(), 5);
    const QStringList headers = {u"Type"_s, u"Flags"_s, u"Data"_s, u"Time"_s, u"Origin"_s};
    for (int column = 0; column < 5; ++column) {
        const QTableWidgetItem *header = table->horizontalHeaderItem(column);
        QVERIFY(header != nullptr);
        QCOMPARE(header->text(), headers.at(column));
        QCOMPARE(header->textAlignment(), 0x81);
    }
    const QFont dataFont = table->horizontalHeaderItem(2)->font();
    QVERIFY(dataFont.resolveMask() & QFont::WeightResolved);
    QCOMPARE(dataFont.weight(), QFont::Normal);
    QList<int> visualOrder;
    for (int visual = 0; visual < 5; ++visual)
        visualOrder << table->horizontalHeader()->logicalIndex(visual);
    QCOMPARE(visualOrder, QList<int>({3, 4, 0, 1, 2}));
    QVERIFY(table->isColumnHidden(3));
    QVERIFY(table->isColumnHidden(4));
    QVERIFY(!child<QAction>(window, u"actionShowTime"_s)->isChecked());
    QVERIFY(!child<QAction>(window, u"actionUndoClear"_s)->isEnabled());
    QCOMPARE(table->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(table->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    QCOMPARE(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(table->selectionBehavior(), QAbstractItemView::SelectRows);
    QVERIFY(table->verticalHeader()->isHidden());
    // Rows and the Type and Flags columns are sized when a row is added, not measured
    // by the header on every change (the result table tests check the sizes).
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(1), QHeaderView::Fixed);
    QCOMPARE(table->horizontalHeader()->sectionResizeMode(3), QHeaderView::Fixed);
    QVERIFY(table->horizontalHeader()->stretchLastSection());
    table->setRowCount(1);
    QCOMPARE(table->verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
    QVERIFY(!table->wordWrap());
    QCOMPARE(table->verticalScrollMode(), QAbstractItemView::ScrollPerPixel);
    QCOMPARE(table->horizontalScrollMode(), QAbstractItemView::ScrollPerPixel);
    QCOMPARE(table->contextMenuPolicy(), Qt::CustomContextMenu);
    QCOMPARE(entriesOf(table->actions()),
             QStringList({u"actionCopyReport"_s, u"actionCopyData"_s, u"actionCopyDataAsShown"_s}));
}

void TestMainWindow::menus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("parentName");
    QTest::addColumn<QStringList>("entries");

    QTest::newRow("File") << u"menuFile"_s << u"&File"_s << u"menubar"_s
                          << QStringList({u"actionSaveLog"_s, u"-"_s, u"actionExit"_s});
    QTest::newRow("Bus") << u"menuBus"_s << u"&Bus"_s << u"menubar"_s
                         << QStringList({u"actionConnect"_s, u"actionDisconnect"_s, u"-"_s,
                                         u"actionI2cSearch"_s, u"actionWriteRead"_s, u"-"_s,
                                         u"actionShareAdapter"_s});
    QTest::newRow("Options") << u"menuOptions"_s << u"&Options"_s << u"menubar"_s
                             << QStringList({u"actionI2cSearch"_s, u"-"_s, u"menuSpeed"_s,
                                             u"menuAddress"_s, u"actionPullUps"_s, u"-"_s,
                                             u"actionProjects_Folder"_s});
    QTest::newRow("I2C Speed") << u"menuSpeed"_s << u"I2C Speed"_s << u"menuOptions"_s
                               << QStringList({u"actionSpeed10k"_s, u"actionSpeed50k"_s,
                                               u"actionSpeed100k"_s, u"actionSpeed400k"_s,
                                               u"actionSpeed1000k"_s});
    QTest::newRow("Address Format")
        << u"menuAddress"_s << u"Address Format"_s << u"menuOptions"_s
        << QStringList({u"actionAddress7Bit"_s, u"actionAddress8Bit"_s});
    QTest::newRow("View") << u"menuView"_s << u"&View"_s << u"menubar"_s
                          << QStringList({u"actionProjects"_s, u"actionShowTime"_s,
                                          u"actionShowAscii"_s, u"actionShowOrigin"_s, u"-"_s,
                                          u"actionUndoClear"_s,
                                          u"actionWatch"_s, u"actionRegisters"_s, u"actionEeprom"_s,
                                          u"actionScan"_s, u"-"_s, u"actionResetLayout"_s});
    QTest::newRow("Help") << u"menuHelp"_s << u"&Help"_s << u"menubar"_s
                          << QStringList({u"actionAbout"_s});
}

void TestMainWindow::menus()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, parentName);
    QFETCH(QStringList, entries);

    MainWindow window;
    QCOMPARE(window.menuBar()->objectName(), u"menubar"_s);
    QCOMPARE(
        entriesOf(window.menuBar()->actions()),
        QStringList({u"menuFile"_s, u"menuBus"_s, u"menuOptions"_s, u"menuView"_s, u"menuHelp"_s}));
    auto *menu = child<QMenu>(window, name);
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->title(), title);
    QCOMPARE(menu->parent()->objectName(), parentName);
    QCOMPARE(entriesOf(menu->actions()), entries);
}

void TestMainWindow::toolBarEntries()
{
    MainWindow window;
    auto *toolBar = child<QToolBar>(window, u"toolBar"_s);
    QVERIFY(toolBar != nullptr);
    QCOMPARE(window.toolBarArea(toolBar), Qt::TopToolBarArea);
    QCOMPARE(entriesOf(toolBar->actions()),
             QStringList({u"actionConnect"_s, u"actionDisconnect"_s, u"-"_s, u"actionI2cSearch"_s,
                          u"-"_s, u"actionTableClear"_s}));
}

void TestMainWindow::formIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("path");

    const QString dir = u":/icons/res/png/"_s;
    const std::pair<const char *, const char *> icons[] = {
        {"actionConnect", "usb_grey"},
        {"actionDisconnect", "usb-off_red"},
        {"actionAbout", "info"},
        {"actionI2cSearch", "memory-search"},
        {"actionExit", "exit-to-app"},
        {"actionTableClear", "table-chart-delete"},
        {"btn_i2c_search", "memory-search"},
        {"tbtn_write_clear", "backspace-filled"},
        {"btn_write", "memory-file-upload"},
        {"tbtn_write_save", "save"},
        {"btn_read", "memory-file-download"},
        {"tbtn_read_save", "save"},
        {"btn_write_read", "memory-file-download"},
        {"btn_write_read_save", "save"},
        {"btn_projects_new", "file"},
        {"btn_projects_reload", "refresh"},
        {"btn_projects_folder", "folder-open"},
    };
    for (const auto &[name, stem] : icons)
        QTest::newRow(name) << QString::fromLatin1(name)
                            << dir + QString::fromLatin1(stem) + u"_32px.png"_s;
}

void TestMainWindow::formIcons()
{
    QFETCH(QString, name);
    QFETCH(QString, path);

    MainWindow window;
    QIcon icon;
    if (auto *action = child<QAction>(window, name))
        icon = action->icon();
    else if (auto *button = child<QAbstractButton>(window, name))
        icon = button->icon();
    else
        QFAIL("no such action or button");
    QVERIFY(!icon.isNull());

    const QImage image(path);
    QVERIFY2(!image.isNull(), qPrintable(path));
    QCOMPARE(image.size(), QSize(32, 32));
    QVERIFY2(sameImage(icon, image), "the icon is not the picture at its path");
}

void TestMainWindow::noIconOutsideTheList()
{
    MainWindow window;
    QStringList withIcon;
    for (const QAction *action : window.findChildren<QAction *>()) {
        // Qt's own actions, such as the filter field's clear button, are not the form's.
        const QString name = action->objectName();
        if (!name.isEmpty() && !name.startsWith(u"_q_"_s) && !action->icon().isNull())
            withIcon << name;
    }
    for (const QAbstractButton *button : window.findChildren<QAbstractButton *>()) {
        const QString name = button->objectName();
        if (!name.isEmpty() && !name.startsWith(u"qt_"_s) && !button->icon().isNull())
            withIcon << name;
    }
    withIcon.sort();
    QStringList expected = {u"actionConnect"_s,
                            u"actionDisconnect"_s,
                            u"actionAbout"_s,
                            u"actionI2cSearch"_s,
                            u"actionExit"_s,
                            u"actionTableClear"_s,
                            u"btn_i2c_search"_s,
                            u"tbtn_write_clear"_s,
                            u"btn_write"_s,
                            u"tbtn_write_save"_s,
                            u"btn_read"_s,
                            u"tbtn_read_save"_s,
                            u"btn_write_read"_s,
                            u"btn_write_read_save"_s,
                            u"btn_projects_new"_s,
                            u"btn_projects_reload"_s,
                            u"btn_projects_folder"_s,
                            u"btn_watch_start"_s,
                            u"btn_watch_stop"_s,
                            u"btn_watch_clear"_s};
    expected.sort();
    QCOMPARE(withIcon, expected);
}

void TestMainWindow::closedDockStaysClosed()
{
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        auto *dock = child<QDockWidget>(window, u"dock_projects"_s);
        dock->close();
        QVERIFY(!child<QAction>(window, u"actionProjects"_s)->isChecked());
        window.close();
    }
    MainWindow window;
    auto *dock = child<QDockWidget>(window, u"dock_projects"_s);
    auto *action = child<QAction>(window, u"actionProjects"_s);
    QVERIFY(!action->isChecked());
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(dock->isHidden());
    QVERIFY(!action->isChecked());

    action->trigger();
    QTRY_VERIFY(dock->isVisible());
    QVERIFY(action->isChecked());
    QCOMPARE(window.dockWidgetArea(dock), Qt::RightDockWidgetArea);
}

void TestMainWindow::geometrySurvivesRestart()
{
    const QRect moved(140, 90, 820, 540);
    {
        MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.setGeometry(moved);
        QTRY_COMPARE(window.geometry(), moved);
        window.close();
    }
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_COMPARE(window.geometry(), moved);
}

void TestMainWindow::tableLayoutIsRestored_data()
{
    QTest::addColumn<QVariant>("bytesPerLine");
    QTest::addColumn<QVariant>("offsetDecimal");
    QTest::addColumn<QString>("shownBytes");
    QTest::addColumn<QString>("shownOffset");

    QTest::newRow("absent") << QVariant() << QVariant() << u"16"_s << u"Hex"_s;
    QTest::newRow("8, decimal") << QVariant(8) << QVariant(true) << u"8"_s << u"Dec"_s;
    QTest::newRow("full") << QVariant(0) << QVariant(false) << u"Full"_s << u"Hex"_s;
    QTest::newRow("no such entry") << QVariant(12) << QVariant(true) << u"16"_s << u"Dec"_s;
    QTest::newRow("unreadable") << QVariant(u"wide"_s) << QVariant() << u"16"_s << u"Hex"_s;
}

void TestMainWindow::tableLayoutIsRestored()
{
    QFETCH(QVariant, bytesPerLine);
    QFETCH(QVariant, offsetDecimal);
    QFETCH(QString, shownBytes);
    QFETCH(QString, shownOffset);
    {
        QSettings settings;
        if (bytesPerLine.isValid())
            settings.setValue(u"table/bytesPerLine"_s, bytesPerLine);
        if (offsetDecimal.isValid())
            settings.setValue(u"table/offsetDecimal"_s, offsetDecimal);
    }
    MainWindow window;
    QCOMPARE(child<QComboBox>(window, u"cmb_bytes_per_line"_s)->currentText(), shownBytes);
    QCOMPARE(child<QComboBox>(window, u"cmb_offset_format"_s)->currentText(), shownOffset);
}

void TestMainWindow::clearOutputEmptiesTable()
{
    MainWindow window;
    auto *table = child<QTableWidget>(window, u"table_data"_s);
    table->setRowCount(3);
    table->setItem(2, 2, new QTableWidgetItem(u"01 02"_s));
    child<QAction>(window, u"actionTableClear"_s)->trigger();
    QCOMPARE(table->rowCount(), 0);
    QCOMPARE(table->columnCount(), 5);
}

void TestMainWindow::clearInputEmptiesWriteField()
{
    MainWindow window;
    auto *edit = child<QLineEdit>(window, u"edit_write"_s);
    edit->setText(u"01 A5 FF"_s);
    child<QAbstractButton>(window, u"tbtn_write_clear"_s)->click();
    QVERIFY(edit->text().isEmpty());
}

void TestMainWindow::exitClosesAndSavesLayout()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    child<QAction>(window, u"actionExit"_s)->trigger();
    QVERIFY(!window.isVisible());
    const QSettings settings;
    QVERIFY(!settings.value(u"window/geometry"_s).toByteArray().isEmpty());
    QVERIFY(!settings.value(u"window/state"_s).toByteArray().isEmpty());
}

void TestMainWindow::aboutOpensModalDialog()
{
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    bool isAbout = false;
    bool modal = false;
    QObject *parent = nullptr;
    answerNextModal([&](QWidget *widget) {
        isAbout = qobject_cast<AboutDialog *>(widget) != nullptr;
        modal = widget->isModal();
        parent = widget->parent();
        if (auto *dialog = qobject_cast<QDialog *>(widget))
            dialog->reject();
        else
            widget->close();
    });
    child<QAction>(window, u"actionAbout"_s)->trigger();

    QVERIFY(isAbout);
    QVERIFY(modal);
    QCOMPARE(parent, &window);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

VTL_TEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
