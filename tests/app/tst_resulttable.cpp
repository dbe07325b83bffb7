// SPDX-License-Identifier: MIT
#include "AppTestSupport.h"
#include "FixedTimeZone.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QMenu>
#include <QScrollBar>
#include <QSettings>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

std::vector<unsigned char> sequence(int count, int first = 0)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(first + i);
    return bytes;
}

int lineHeight(const QFont &font, int lines)
{
    return int(std::ceil(lines * QFontMetricsF(font).height()));
}

// 2026-12-08 14:03:07.412 +01:00.
constexpr qint64 STARTED_MS = 1796734987412;

// What a row shows and keeps, for comparing rows before and after an undo.
QStringList cellsOf(const QTableWidget &table, int row)
{
    QStringList look;
    for (int column = 0; column < table.columnCount(); ++column) {
        const QTableWidgetItem *item = table.item(row, column);
        look << item->text() << item->toolTip() << item->foreground().color().name()
             << QString::fromLatin1(item->data(Qt::UserRole).toByteArray().toHex());
    }
    look << QString::number(table.rowHeight(row));
    return look;
}

} // namespace

class TestResultTable : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void rowLook();
    void rowsAreAsTallAsTheirLines();
    void columnsFitTheirContents();
    void layoutChangeRerenders();
    void layoutIsSavedAndRestored();
    void copyForms_data();
    void copyForms();
    void copyWithoutSelection();
    void shortcutsFollowSelection();
    void contextMenu();
    void largeRowScrollsWithin();
    void timeColumn_data();
    void timeColumn();
    void copyReportWithTime_data();
    void copyReportWithTime();
    void undoClearRestoresRows();
    void undoIsDroppedByNewRow();
    void longFlagsAreCapped();
    void longTypesAreCapped();
    void dataColumnFitsLongestLine();

private:
    QTableWidget *table() const { return Child<QTableWidget>(*m_window, u"table_data"_s); }
    QComboBox *bytesPerLine() const { return Child<QComboBox>(*m_window, u"cmb_bytes_per_line"_s); }
    QComboBox *offsetFormat() const { return Child<QComboBox>(*m_window, u"cmb_offset_format"_s); }
    void selectRows(std::initializer_list<int> rows);

    std::unique_ptr<MainWindow> m_window;
};

void TestResultTable::initTestCase()
{
    Q_INIT_RESOURCE(resources);
    UseFixedTimeZone();
}

void TestResultTable::init()
{
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
}

void TestResultTable::cleanup()
{
    m_window.reset();
}

// Selects whole rows one after the other, as ctrl-clicks in this order would.
void TestResultTable::selectRows(std::initializer_list<int> rows)
{
    QItemSelectionModel *selection = table()->selectionModel();
    selection->clear();
    for (const int row : rows) {
        selection->select(table()->model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void TestResultTable::rowLook()
{
    m_window->addTableRow(u"Read 0x50"_s, u"0x80  NACK received"_s, sequence(2), true);
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);

    for (int column = 0; column < 3; ++column) {
        const QTableWidgetItem *item = table()->item(0, column);
        QCOMPARE(item->foreground().color(), QColor(u"#F44336"_s));
        QCOMPARE(item->foreground().style(), Qt::SolidPattern);
        QCOMPARE(item->textAlignment(), int(Qt::AlignLeft | Qt::AlignTop));
        QCOMPARE(table()->item(1, column)->foreground().style(), Qt::NoBrush);
    }
    QCOMPARE(table()->item(0, 1)->font().family(), fixed.family());
    QCOMPARE(table()->item(0, 2)->font().family(), fixed.family());
    QVERIFY(!(table()->item(0, 0)->font().resolveMask() & QFont::FamiliesResolved));
    QCOMPARE(table()->item(0, 2)->data(Qt::UserRole).toByteArray(), QByteArray("\x00\x01", 2));
    QVERIFY(!table()->item(1, 2)->data(Qt::UserRole).isValid());
    QCOMPARE(RowTexts(*table(), 1), QStringList({u"Search"_s, QString(), u"0x23, 0x50"_s}));
}

void TestResultTable::rowsAreAsTallAsTheirLines()
{
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    m_window->addTableRow(u"Read 0x50"_s, u"0x10"_s, sequence(16), false);
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false);
    m_window->addTableRow(u"Read 0x50"_s, u"0x3E"_s, sequence(80), false);
    const int one = table()->rowHeight(0);
    QVERIFY(one >= lineHeight(fixed, 1));
    QCOMPARE(table()->rowHeight(1), std::max(one, lineHeight(fixed, 2) + 1));
    QCOMPARE(table()->rowHeight(2), std::max(one, lineHeight(fixed, 5) + 1));

    // Full: one line each; back to 8 per line: 1, 1 and 10 lines.
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"Full"_s));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(table()->rowHeight(row), one);
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"8"_s));
    QCOMPARE(table()->rowHeight(1), std::max(one, lineHeight(fixed, 3) + 1));
    QCOMPARE(table()->rowHeight(2), lineHeight(fixed, 10) + 1);
    QCOMPARE(table()->rowViewportPosition(2) - table()->rowViewportPosition(1),
             table()->rowHeight(1));
}

void TestResultTable::columnsFitTheirContents()
{
    QHeaderView *header = table()->horizontalHeader();
    const int typeStart = header->sectionSize(0);
    QCOMPARE(typeStart, header->sectionSizeHint(0));

    m_window->addTableRow(u"Write 0x50 [Generate Start]"_s, u"0x80  NACK"_s, sequence(1), true);
    const int wide = header->sectionSize(0);
    QVERIFY(wide > typeStart);
    QVERIFY(wide >
            QFontMetrics(table()->font()).horizontalAdvance(u"Write 0x50 [Generate Start]"_s));
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QVERIFY(header->sectionSize(1) > QFontMetrics(fixed).horizontalAdvance(u"0x80  NACK"_s));

    m_window->addTableRow(u"Read 0x50"_s, u"0x01"_s, sequence(1), false);
    QCOMPARE(header->sectionSize(0), wide);

    ActionOf(*m_window, "actionTableClear")->trigger();
    QCOMPARE(table()->rowCount(), 0);
    QCOMPARE(header->sectionSize(0), typeStart);
}

void TestResultTable::layoutChangeRerenders()
{
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false);
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false);
    m_window->addTableRow(u"Read 0x50"_s, u"0x01"_s, sequence(1, 0xA5), false);
    const QString sixteen = u"00: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n10: 10"_s;
    QCOMPARE(table()->item(0, 2)->text(), sixteen);
    QCOMPARE(table()->item(2, 2)->text(), u"A5"_s);

    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"Full"_s));
    QCOMPARE(table()->item(0, 2)->text(), u"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"_s);
    QCOMPARE(table()->item(1, 2)->text(), u"0x23, 0x50"_s);
    QCOMPARE(table()->item(2, 2)->text(), u"A5"_s);

    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"16"_s));
    QCOMPARE(table()->item(0, 2)->text(), sixteen);
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"8"_s));
    offsetFormat()->setCurrentIndex(1);
    QCOMPARE(table()->item(0, 2)->text(),
             u"00: 00 01 02 03 04 05 06 07\n08: 08 09 0A 0B 0C 0D 0E 0F\n16: 10"_s);
    QCOMPARE(table()->item(1, 2)->text(), u"0x23, 0x50"_s);
    QCOMPARE(table()->item(2, 2)->text(), u"A5"_s);

    // New rows take the layout in force.
    m_window->addTableRow(u"Read 0x50"_s, u"0x09"_s, sequence(9), false);
    QCOMPARE(table()->item(3, 2)->text(), u"0: 00 01 02 03 04 05 06 07\n8: 08"_s);
}

void TestResultTable::layoutIsSavedAndRestored()
{
    offsetFormat()->setCurrentIndex(1);
    {
        const QSettings settings;
        QCOMPARE(settings.value(u"table/bytesPerLine"_s).toInt(), 16);
        QCOMPARE(settings.value(u"table/offsetDecimal"_s).toBool(), true);
    }
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"Full"_s));
    QCOMPARE(QSettings().value(u"table/bytesPerLine"_s).toInt(), 0);

    m_window = std::make_unique<MainWindow>();
    QCOMPARE(bytesPerLine()->currentText(), u"Full"_s);
    QCOMPARE(offsetFormat()->currentText(), u"Dec"_s);
}

void TestResultTable::copyForms_data()
{
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("clipboard");
    const QString upper = u"00: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n10: 10"_s;
    const QString all = u"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"_s;
    QTest::newRow("Copy Report") << 0 << u"Read 0x50\t0x11\t"_s + all + u"\nSearch\t\t0x23, 0x50"_s;
    QTest::newRow("Copy Data") << 1 << all + u"\n0x23, 0x50"_s;
    QTest::newRow("Copy Data as Shown") << 2 << upper + u"\n\n0x23, 0x50"_s;
}

void TestResultTable::copyForms()
{
    QFETCH(int, action);
    QFETCH(QString, clipboard);
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false);
    m_window->addTableRow(u"Write 0x50"_s, u"0x00"_s, sequence(2), false);
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false);
    selectRows({2, 0});

    const char *names[] = {"actionCopyReport", "actionCopyData", "actionCopyDataAsShown"};
    ActionOf(*m_window, names[action])->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
    QCOMPARE(m_window->statusBar()->currentMessage(), u"2 row(s) copied"_s);
}

void TestResultTable::copyWithoutSelection()
{
    m_window->addTableRow(u"Read 0x50"_s, u"0x01"_s, sequence(1), false);
    QGuiApplication::clipboard()->setText(u"kept"_s);
    for (const char *name : {"actionCopyReport", "actionCopyData", "actionCopyDataAsShown"}) {
        QVERIFY(!ActionOf(*m_window, name)->isEnabled());
        ActionOf(*m_window, name)->trigger();
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), u"kept"_s);
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());
}

void TestResultTable::shortcutsFollowSelection()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_window->addTableRow(u"Read 0x50"_s, u"0x02"_s, sequence(2), false);
    m_window->addTableRow(u"Read 0x51"_s, u"0x01"_s, sequence(1, 0xFF), false);
    table()->setFocus();
    QTRY_VERIFY(table()->hasFocus());

    // No context menu was opened: the shortcuts work as soon as rows are selected.
    selectRows({1});
    QVERIFY(ActionOf(*m_window, "actionCopyReport")->isEnabled());
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"Read 0x51\t0x01\tFF"_s);
    selectRows({1, 0});
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"00 01\nFF"_s);
    QCOMPARE(m_window->statusBar()->currentMessage(), u"2 row(s) copied"_s);

    // Deselected with a current row left, as a ctrl-click does.
    table()->setCurrentCell(0, 2);
    table()->clearSelection();
    QVERIFY(table()->currentIndex().isValid());
    for (const char *name : {"actionCopyReport", "actionCopyData", "actionCopyDataAsShown"})
        QVERIFY(!ActionOf(*m_window, name)->isEnabled());
    QGuiApplication::clipboard()->setText(u"kept"_s);
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(table(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), u"kept"_s);
}

void TestResultTable::contextMenu()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QStringList entries;
    QList<bool> enabled;
    const auto openMenu = [&] {
        entries.clear();
        enabled.clear();
        QTimer::singleShot(50, qApp, [&] {
            auto *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            if (menu == nullptr)
                return;
            for (const QAction *action : menu->actions()) {
                entries << (action->isSeparator() ? u"-"_s : action->objectName());
                enabled << action->isEnabled();
            }
            menu->close();
        });
        QMetaObject::invokeMethod(m_window.get(), "onTableContextMenu",
                                  Q_ARG(QPoint, QPoint(5, 5)));
    };

    openMenu();
    QCOMPARE(entries,
             QStringList({u"actionCopyReport"_s, u"actionCopyData"_s, u"actionCopyDataAsShown"_s,
                          u"-"_s, u"actionTableClear"_s, u"actionUndoClear"_s}));
    QCOMPARE(enabled, QList<bool>({false, false, false, true, false, false}));
    QVERIFY(ActionOf(*m_window, "actionTableClear")->isEnabled());

    m_window->addTableRow(u"Search"_s, QString(), u"No device found"_s, false);
    selectRows({0});
    openMenu();
    QCOMPARE(enabled, QList<bool>({true, true, true, true, true, false}));

    ActionOf(*m_window, "actionTableClear")->trigger();
    openMenu();
    QCOMPARE(enabled, QList<bool>({false, false, false, true, false, true}));
}

void TestResultTable::largeRowScrollsWithin()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->addTableRow(u"Read 0x50"_s, u"0x10"_s, sequence(16), false);
    std::vector<unsigned char> big(65535);
    for (std::size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<unsigned char>(i);
    m_window->addTableRow(u"Read 0x50"_s, u"0x3E"_s, big, false);
    QCoreApplication::processEvents();

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    QCOMPARE(table()->rowHeight(1), lineHeight(fixed, 4096) + 1);
    QCOMPARE(table()->item(1, 2)->text().count(u'\n'), 4095);
    // Scrolled to the bottom, within the row: its last line is in view.
    QCOMPARE(table()->verticalScrollBar()->value(), table()->verticalScrollBar()->maximum());
    QVERIFY(table()->verticalScrollBar()->maximum() > table()->rowHeight(1) / 2);
    const QImage shot = table()->viewport()->grab().toImage();
    QVERIFY(!shot.isNull());
}

void TestResultTable::timeColumn_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("shown");
    QTest::newRow("absent") << QVariant() << false;
    QTest::newRow("shown") << QVariant(true) << true;
    QTest::newRow("hidden") << QVariant(false) << false;
}

void TestResultTable::timeColumn()
{
    QFETCH(QVariant, stored);
    QFETCH(bool, shown);
    if (stored.isValid())
        QSettings().setValue(u"table/showTime"_s, stored);
    m_window = std::make_unique<MainWindow>();
    QAction *action = ActionOf(*m_window, "actionShowTime");
    QCOMPARE(action->isChecked(), shown);
    QCOMPARE(table()->isColumnHidden(3), !shown);

    // The choice is kept for the next start.
    action->trigger();
    QCOMPARE(table()->isColumnHidden(3), shown);
    QCOMPARE(QSettings().value(u"table/showTime"_s).toBool(), !shown);
    m_window = std::make_unique<MainWindow>();
    QCOMPARE(ActionOf(*m_window, "actionShowTime")->isChecked(), !shown);
    QCOMPARE(table()->isColumnHidden(3), shown);
}

void TestResultTable::copyReportWithTime_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("clipboard");
    const QString report = u"Read 0x50\t0x11\t00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10\n"
                           "Search\t\t0x23, 0x50"_s;
    QTest::newRow("report, hidden") << false << 0 << report;
    QTest::newRow("report, shown") << true << 0
                                   << u"14:03:07.412 (1.06 s)\tRead 0x50\t0x11\t"
                                      "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10\n"
                                      "14:03:09.412\tSearch\t\t0x23, 0x50"_s;
    // The other two forms never carry the time.
    QTest::newRow("data, shown") << true << 1
                                 << u"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10\n"
                                    "0x23, 0x50"_s;
    QTest::newRow("data as shown, shown")
        << true << 2
        << u"00: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n10: 10\n\n0x23, 0x50"_s;
}

void TestResultTable::copyReportWithTime()
{
    QFETCH(bool, shown);
    QFETCH(int, action);
    QFETCH(QString, clipboard);
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false, {STARTED_MS, 1060000});
    m_window->addTableRow(u"Write 0x50"_s, u"0x00"_s, sequence(2), false, {STARTED_MS + 1000, 480});
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false,
                          {STARTED_MS + 2000, std::nullopt});
    QCOMPARE(table()->item(0, 3)->text(), u"14:03:07.412 (1.06 s)"_s);
    QCOMPARE(table()->item(1, 3)->text(), u"14:03:08.412 (480 \u00B5s)"_s);
    QCOMPARE(table()->item(2, 3)->text(), u"14:03:09.412"_s);
    ActionOf(*m_window, "actionShowTime")->setChecked(shown);
    // Shown after the rows came, the column is as wide as the widest of their times.
    if (shown) {
        const QFontMetricsF metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        QVERIFY(table()->columnWidth(3) > metrics.horizontalAdvance(table()->item(0, 3)->text()));
    }
    selectRows({2, 0});

    const char *names[] = {"actionCopyReport", "actionCopyData", "actionCopyDataAsShown"};
    ActionOf(*m_window, names[action])->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), clipboard);
}

void TestResultTable::undoClearRestoresRows()
{
    QAction *undo = ActionOf(*m_window, "actionUndoClear");
    QAction *clear = ActionOf(*m_window, "actionTableClear");
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false, {STARTED_MS, 1060000});
    m_window->addTableRow(u"Read 0x50"_s,
                          u"0x00  Invalid read count, this device reads 1..256 bytes"_s,
                          std::vector<unsigned char>(), true, {STARTED_MS + 1000, 850});
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false,
                          {STARTED_MS + 2000, std::nullopt});
    QList<QStringList> before;
    for (int row = 0; row < 3; ++row)
        before << cellsOf(*table(), row);
    QVERIFY(!undo->isEnabled());

    clear->trigger();
    QCOMPARE(table()->rowCount(), 0);
    QVERIFY(undo->isEnabled());
    // Clearing the empty table again does not lose what the first clear removed.
    clear->trigger();
    QVERIFY(undo->isEnabled());

    undo->trigger();
    QCOMPARE(table()->rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(cellsOf(*table(), row), before.at(row));
    QVERIFY(!undo->isEnabled());
    ActionOf(*m_window, "actionShowTime")->setChecked(true);
    selectRows({0, 1, 2});
    ActionOf(*m_window, "actionCopyReport")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(),
             u"14:03:07.412 (1.06 s)\tRead 0x50\t0x11\t"
             "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10\n"
             "14:03:08.412 (850 \u00B5s)\tRead 0x50\t"
             "0x00  Invalid read count, this device reads 1..256 bytes\t\n"
             "14:03:09.412\tSearch\t\t0x23, 0x50"_s);

    // Rows come back in the layout in force when they return.
    clear->trigger();
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"8"_s));
    undo->trigger();
    QCOMPARE(table()->item(0, 2)->text(),
             u"00: 00 01 02 03 04 05 06 07\n08: 08 09 0A 0B 0C 0D 0E 0F\n10: 10"_s);
    QCOMPARE(table()->rowHeight(0),
             lineHeight(QFontDatabase::systemFont(QFontDatabase::FixedFont), 3) + 1);
    QCOMPARE(table()->item(2, 2)->text(), u"0x23, 0x50"_s);
}

void TestResultTable::undoIsDroppedByNewRow()
{
    QAction *undo = ActionOf(*m_window, "actionUndoClear");
    m_window->addTableRow(u"Read 0x50"_s, u"0x01"_s, sequence(1), false);
    ActionOf(*m_window, "actionTableClear")->trigger();
    QVERIFY(undo->isEnabled());
    m_window->addTableRow(u"Write 0x50"_s, u"0x00"_s, sequence(2), false);
    QVERIFY(!undo->isEnabled());
    undo->trigger();
    QCOMPARE(table()->rowCount(), 1);
    QCOMPARE(RowTexts(*table(), 0), QStringList({u"Write 0x50"_s, u"0x00"_s, u"00 01"_s}));
}

void TestResultTable::longFlagsAreCapped()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const QString reason = u"0x00  Invalid read count, this device reads 1..256 bytes"_s;
    m_window->addTableRow(u"Read 0x50"_s, reason, std::vector<unsigned char>(), true);
    m_window->addTableRow(u"Read 0x50"_s, u"0x10"_s, sequence(16), false);

    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    const QFontMetricsF metrics(fixed);
    const int flagsWidth = table()->horizontalHeader()->sectionSize(1);
    QVERIFY(flagsWidth >= metrics.horizontalAdvance(u"0x00  Invalid read count"_s));
    QVERIFY2(flagsWidth < metrics.horizontalAdvance(QString(30, u'0')),
             qPrintable(QString::number(flagsWidth)));
    QCOMPARE(table()->item(0, 1)->toolTip(), reason);
    QVERIFY(table()->item(1, 1)->toolTip().isEmpty());

    // The next row's data stays in view, unelided.
    const QString data = table()->item(1, 2)->text();
    const int dataRight = table()->columnViewportPosition(2) + table()->columnWidth(2);
    QVERIFY(dataRight <= table()->viewport()->width());
    QVERIFY(table()->columnWidth(2) > metrics.horizontalAdvance(data));
}

// A write/read of many bytes names them all in its type; the column stops growing.
void TestResultTable::longTypesAreCapped()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QStringList bytes;
    for (int i = 0; i < 60; ++i)
        bytes << u"%1"_s.arg(i, 2, 16, QChar(u'0')).toUpper();
    const QString type = u"Write/Read 0x50 [%1]"_s.arg(bytes.join(u' '));
    m_window->addTableRow(type, u"0x02"_s, sequence(2), false);
    m_window->addTableRow(u"Read 0x50"_s, u"0x10"_s, sequence(16), false);

    const QFontMetricsF metrics(table()->font());
    const int typeWidth = table()->horizontalHeader()->sectionSize(0);
    QVERIFY(typeWidth >= metrics.horizontalAdvance(u"Write/Read 0x50 [00 01 02 03"_s));
    QVERIFY2(typeWidth < metrics.horizontalAdvance(type) / 2,
             qPrintable(QString::number(typeWidth)));
    QCOMPARE(table()->item(0, 0)->toolTip(), type);
    QVERIFY(table()->item(1, 0)->toolTip().isEmpty());
    // The copy forms keep the whole type.
    selectRows({0});
    ActionOf(*m_window, "actionCopyReport")->trigger();
    QVERIFY(QGuiApplication::clipboard()->text().startsWith(type + u"\t"_s));
}

void TestResultTable::dataColumnFitsLongestLine()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QHeaderView *header = table()->horizontalHeader();
    const auto fillsView = [&] {
        return table()->columnViewportPosition(2) + table()->columnWidth(2) ==
               table()->viewport()->width();
    };
    m_window->addTableRow(u"Read 0x50"_s, u"0x10"_s, sequence(16), false);
    QVERIFY(fillsView());

    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"Full"_s));
    m_window->addTableRow(u"Read 0x50"_s, u"0x00"_s, sequence(256), false);
    const QFontMetricsF metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const qreal lineWidth = metrics.horizontalAdvance(table()->item(1, 2)->text());
    QVERIFY(lineWidth > table()->viewport()->width());
    QVERIFY(header->sectionSize(2) >= lineWidth);
    QVERIFY(table()->horizontalScrollBar()->maximum() > 0);
    // Scrolled to the end, the line's last byte is in view.
    table()->horizontalScrollBar()->setValue(table()->horizontalScrollBar()->maximum());
    QVERIFY(table()->columnViewportPosition(2) + lineWidth <= table()->viewport()->width());

    // Back to 16 per line the longest line fits again and the column stretches.
    // (The view takes its new scroll range on its next turn of the event loop.)
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"16"_s));
    QTRY_COMPARE(table()->horizontalScrollBar()->maximum(), 0);
    QVERIFY(fillsView());

    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"Full"_s));
    QTRY_VERIFY(table()->horizontalScrollBar()->maximum() > 0);
    ActionOf(*m_window, "actionTableClear")->trigger();
    QTRY_COMPARE(table()->horizontalScrollBar()->maximum(), 0);
    QVERIFY(fillsView());
}

VTL_TEST_MAIN(TestResultTable)
#include "tst_resulttable.moc"
