// SPDX-License-Identifier: MIT
#include "AppTestSupport.h"
#include "CSimEeprom.h"
#include "MainWindowShared.h"
#include "OutputTableColumns.h"
#include "VtlTestMain.h"
#include "mainwindow.h"

#include <QClipboard>
#include <QDateTime>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <ctime>
#include <sys/resource.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

std::vector<unsigned char> sequence(int count, int first = 0)
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<unsigned char>(first + i);
    return bytes;
}

// What is wrong with the heights of the rows, empty when nothing is: each row holds every
// line of its data in the fixed font, it is no taller than the smallest row or than its lines
// plus one more (whole pixels may add up to two a line to the exact metrics), and the next
// row starts where it ends.
QString rowHeightProblems(const QTableWidget &table, int smallest)
{
    const QFontMetricsF metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QStringList problems;
    for (int row = 0; row < table.rowCount(); ++row) {
        const qsizetype lines = table.item(row, COLUMN_DATA)->text().count(u'\n') + 1;
        const double needed = double(lines) * metrics.lineSpacing();
        const double most =
            std::max(double(smallest), needed + double(lines) * 2 + metrics.lineSpacing());
        const int height = table.rowHeight(row);
        if (height < needed || height > most) {
            problems << u"row %1 of %2 lines is %3 px, not %4 to %5"_s.arg(row)
                            .arg(lines)
                            .arg(height)
                            .arg(needed)
                            .arg(most);
        }
        if (row + 1 < table.rowCount() &&
            table.rowViewportPosition(row + 1) != table.rowViewportPosition(row) + height)
            problems << u"row %1 does not start where row %2 ends"_s.arg(row + 1).arg(row);
    }
    return problems.join(u"; "_s);
}

// 2026-12-08 14:03:07.412 +01:00.
constexpr qint64 STARTED_MS = 1796734987412;

QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

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
    void timeColumn();
    void rowTimes();
    void undoClear();
    void longTextsAreCapped_data();
    void longTextsAreCapped();
    void dataColumnFitsLongestLine();
    void saveLog();
    void saveLogFilter_data();
    void saveLogFilter();
    void logNamesTheAdapter();
    void asciiColumn();

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
    // The expected texts are in Central European time; a POSIX rule needs no zone database.
    qputenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
    tzset();
}

void TestResultTable::init()
{
    QSettings().clear();
    m_window = std::make_unique<MainWindow>();
}

void TestResultTable::cleanup()
{
    m_window.reset();
    CSimBus::Instance().Reset();
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
    m_window->addTableRow(u"Read 0x50"_s, u"0x10"_s, sequence(16), false);
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false);
    m_window->addTableRow(u"Read 0x50"_s, u"0x3E"_s, sequence(80), false);
    const int one = table()->rowHeight(0);
    const auto lines = [this](int row) {
        return table()->item(row, COLUMN_DATA)->text().count(u'\n') + 1;
    };
    QCOMPARE(QList<qsizetype>({lines(0), lines(1), lines(2)}), QList<qsizetype>({1, 2, 5}));
    QVERIFY2(rowHeightProblems(*table(), one).isEmpty(),
             qPrintable(rowHeightProblems(*table(), one)));
    QVERIFY(table()->rowHeight(2) > table()->rowHeight(1));

    // Full: one line each; back to 8 per line: 2, 3 and 10 lines.
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"Full"_s));
    for (int row = 0; row < 3; ++row)
        QCOMPARE(table()->rowHeight(row), one);
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"8"_s));
    QCOMPARE(QList<qsizetype>({lines(0), lines(1), lines(2)}), QList<qsizetype>({2, 3, 10}));
    QVERIFY2(rowHeightProblems(*table(), one).isEmpty(),
             qPrintable(rowHeightProblems(*table(), one)));
    QVERIFY(table()->rowHeight(2) > table()->rowHeight(1));
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
    QTest::addColumn<bool>("timeShown");
    QTest::addColumn<QString>("clipboard");
    const QString upper = u"00: 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n10: 10"_s;
    const QString all = u"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10"_s;
    QTest::newRow("Copy Report") << 0 << false
                                 << u"Read 0x50\t0x11\t"_s + all + u"\nSearch\t\t0x23, 0x50"_s;
    QTest::newRow("Copy Report, time shown") << 0 << true
                                             << u"14:03:07.412 (1.06 s)\tRead 0x50\t0x11\t"_s +
                                                    all + u"\n14:03:09.412\tSearch\t\t0x23, 0x50"_s;
    // The other two forms never carry the time.
    QTest::newRow("Copy Data") << 1 << true << all + u"\n0x23, 0x50"_s;
    QTest::newRow("Copy Data as Shown") << 2 << true << upper + u"\n\n0x23, 0x50"_s;
}

void TestResultTable::copyForms()
{
    QFETCH(int, action);
    QFETCH(bool, timeShown);
    QFETCH(QString, clipboard);
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false, {STARTED_MS, 1060000});
    m_window->addTableRow(u"Write 0x50"_s, u"0x00"_s, sequence(2), false, {STARTED_MS + 1000, 480});
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false,
                          {STARTED_MS + 2000, std::nullopt});
    ActionOf(*m_window, "actionShowTime")->setChecked(timeShown);
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
    QCOMPARE(entries, QStringList({u"actionCopyReport"_s, u"actionCopyData"_s,
                                   u"actionCopyDataAsShown"_s, u"-"_s, u"actionTableClear"_s,
                                   u"actionUndoClear"_s, u"-"_s, u"actionSaveAsSequence"_s}));
    QCOMPARE(enabled, QList<bool>({false, false, false, true, false, false, true, false}));
    QVERIFY(ActionOf(*m_window, "actionTableClear")->isEnabled());

    m_window->addTableRow(u"Search"_s, QString(), u"No device found"_s, false);
    selectRows({0});
    openMenu();
    QCOMPARE(enabled, QList<bool>({true, true, true, true, true, false, true, true}));

    ActionOf(*m_window, "actionTableClear")->trigger();
    openMenu();
    QCOMPARE(enabled, QList<bool>({false, false, false, true, false, true, true, false}));
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

    QVERIFY2(rowHeightProblems(*table(), table()->rowHeight(0)).isEmpty(),
             qPrintable(rowHeightProblems(*table(), table()->rowHeight(0))));
    QCOMPARE(table()->item(1, 2)->text().count(u'\n'), 4095);
    // Scrolled to the bottom, within the row: its last line is in view.
    QCOMPARE(table()->verticalScrollBar()->value(), table()->verticalScrollBar()->maximum());
    QVERIFY(table()->verticalScrollBar()->maximum() > table()->rowHeight(1) / 2);
    const QImage shot = table()->viewport()->grab().toImage();
    QVERIFY(!shot.isNull());
}

// Kept for the next start; shown after rows came, as wide as the widest of their times.
void TestResultTable::timeColumn()
{
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false, {STARTED_MS, 1060000});
    ActionOf(*m_window, "actionShowTime")->trigger();
    const QFontMetricsF metrics(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QVERIFY(table()->columnWidth(COLUMN_TIME) >
            metrics.horizontalAdvance(u"14:03:07.412 (1.06 s)"_s));

    m_window = std::make_unique<MainWindow>();
    QVERIFY(ActionOf(*m_window, "actionShowTime")->isChecked());
    QVERIFY(!table()->isColumnHidden(COLUMN_TIME));
    ActionOf(*m_window, "actionShowTime")->trigger();
    QVERIFY(table()->isColumnHidden(COLUMN_TIME));
    m_window = std::make_unique<MainWindow>();
    QVERIFY(!ActionOf(*m_window, "actionShowTime")->isChecked());
    QVERIFY(table()->isColumnHidden(COLUMN_TIME));
}

// Every kind of row on the simulated bus, at one report per 1 ms frame as a full-speed
// adapter answers: in order, transactions with their duration, a note without.
void TestResultTable::rowTimes()
{
    const std::shared_ptr<CSimAdapter> adapter = CSimBus::Instance().Attach(ESimModel::A, L"T-1");
    adapter->AddSlave(0x50, std::make_shared<CSimEeprom>());
    adapter->SetFramePeriod(std::chrono::milliseconds(1));
    CModalWatcher watcher;
    QVERIFY(ConnectWindow(*m_window, watcher, u"VantrelA  SN T-1"_s));
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"00"_s);
    Child<QSpinBox>(*m_window, u"spin_read"_s)->setValue(1);

    const qint64 before = QDateTime::currentMSecsSinceEpoch();
    for (const char *button : {"btn_write", "btn_read", "btn_write_read", "btn_i2c_search"})
        Child<QAbstractButton>(*m_window, QString::fromLatin1(button))->click();
    m_window->addTableRow(u"Note"_s, QString(), u"added by the window"_s, false);
    const qint64 after = QDateTime::currentMSecsSinceEpoch();

    QCOMPARE(table()->rowCount(), 5);
    qint64 earliest = before;
    for (int row = 0; row < 5; ++row) {
        const QTableWidgetItem *item = table()->item(row, COLUMN_TIME);
        const qint64 started = item->data(TIME_ROLE_STARTED_MS).toLongLong();
        const QVariant duration = item->data(TIME_ROLE_DURATION_US);
        QVERIFY2(started >= earliest && started <= after, qPrintable(QString::number(row)));
        QCOMPARE(duration.isValid(), row < 4);
        QVERIFY(!duration.isValid() || duration.toLongLong() > 0);
        // The next starts after this one ended, within the start's whole millisecond.
        earliest = std::max(started, started + duration.toLongLong() / 1000 - 1);
    }
}

void TestResultTable::undoClear()
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

    clear->trigger();
    // Clearing the empty table again does not lose what the first clear removed.
    clear->trigger();
    undo->trigger();
    QCOMPARE(table()->rowCount(), 3);
    for (int row = 0; row < 3; ++row)
        QCOMPARE(cellsOf(*table(), row), before.at(row));
    QVERIFY(!undo->isEnabled());

    // Rows come back in the layout in force when they return.
    clear->trigger();
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"8"_s));
    undo->trigger();
    QCOMPARE(table()->item(0, 2)->text(),
             u"00: 00 01 02 03 04 05 06 07\n08: 08 09 0A 0B 0C 0D 0E 0F\n10: 10"_s);

    // The next row drops what a clear removed.
    clear->trigger();
    m_window->addTableRow(u"Write 0x50"_s, u"0x00"_s, sequence(2), false);
    QVERIFY(!undo->isEnabled());
    undo->trigger();
    QCOMPARE(table()->rowCount(), 1);
}

void TestResultTable::longTextsAreCapped_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("capChars");
    QTest::newRow("flags") << int(COLUMN_FLAGS)
                           << u"0x00  Invalid read count, this device reads 1..256 bytes"_s << 24;
    // A write/read of many bytes names them all in its type.
    QTest::newRow("type") << int(COLUMN_TYPE)
                          << u"Write/Read 0x50 [%1]"_s.arg(u"00 "_s.repeated(60).trimmed()) << 48;
}

// The column stops growing; the cell keeps the whole text for copying, its tool tip shows it.
void TestResultTable::longTextsAreCapped()
{
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(int, capChars);
    const bool flags = column == COLUMN_FLAGS;
    m_window->addTableRow(flags ? u"Read 0x50"_s : text, flags ? text : u"0x02"_s, sequence(2),
                          flags);
    m_window->addTableRow(u"Read 0x50"_s, u"0x10"_s, sequence(16), false);

    const QFontMetricsF metrics(flags ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                                      : table()->font());
    const int width = table()->columnWidth(column);
    QVERIFY2(width > metrics.horizontalAdvance(QString(capChars - 6, u'0')) &&
                 width < metrics.horizontalAdvance(QString(capChars + 6, u'0')),
             qPrintable(QString::number(width)));
    QCOMPARE(table()->item(0, column)->text(), text);
    QCOMPARE(table()->item(0, column)->toolTip().split(u"\n\n"_s).first(), text);
    // A short cell needs no tool tip for its text; a flags cell still spells out its status.
    QCOMPARE(table()->item(1, column)->toolTip().isEmpty(), !flags);
    if (flags)
        QVERIFY(table()->item(1, column)->toolTip().startsWith(u"Adapter status byte 0x10"_s));
}

void TestResultTable::dataColumnFitsLongestLine()
{
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QScrollBar *scroll = table()->horizontalScrollBar();
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
    QVERIFY(table()->columnWidth(2) >= lineWidth);

    // The view takes its new scroll range on its next turn of the event loop.
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"16"_s));
    QTRY_COMPARE(scroll->maximum(), 0);
    QVERIFY(fillsView());
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"Full"_s));
    QTRY_VERIFY(scroll->maximum() > 0);
    ActionOf(*m_window, "actionTableClear")->trigger();
    QTRY_COMPARE(scroll->maximum(), 0);
    QVERIFY(fillsView());
}

// Cancelled, then failed (the old file stays), then saved: all rows, whatever is selected.
void TestResultTable::saveLog()
{
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), true, {STARTED_MS, 1060000});
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false,
                          {STARTED_MS + 2000, std::nullopt});
    selectRows({1});
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"log.csv"_s);
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old log\n") == 8);
    }
    CModalWatcher watcher;
    QString answer;
    watcher.onDialog = [&answer](QDialog *dialog) {
        if (answer.isEmpty())
            return dialog->reject();
        // Done directly: accept() would first ask whether to replace the file.
        qobject_cast<QFileDialog *>(dialog)->selectFile(answer);
        dialog->done(QDialog::Accepted);
    };
    QAction *save = ActionOf(*m_window, "actionSaveLog");
    save->trigger();
    // A file size limit makes the save fail as a full disk would, and binds root too.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlim_t softLimit = std::exchange(limit.rlim_cur, 16);
    answer = path;
    setrlimit(RLIMIT_FSIZE, &limit);
    save->trigger();
    limit.rlim_cur = softLimit;
    setrlimit(RLIMIT_FSIZE, &limit);
    QCOMPARE(watcher.boxes.size(), 1);
    QCOMPARE(watcher.boxes.first().title, u"Save Log"_s);
    const QString start = u"Could not save the file:\n%1\n\n"_s.arg(QDir::toNativeSeparators(path));
    const QString text = watcher.boxes.first().text;
    QVERIFY2(text.startsWith(start) && text.size() > start.size(), qPrintable(text));
    QCOMPARE(contentsOf(path), QByteArray("old log\n"));
    QVERIFY(m_window->statusBar()->currentMessage().isEmpty());

    // Header and both rows; tst_tablelog has the contents byte for byte.
    save->trigger();
    QCOMPARE(contentsOf(path).count("\r\n"), 3);
    QCOMPARE(m_window->statusBar()->currentMessage(),
             u"Log saved to %1"_s.arg(QDir::toNativeSeparators(path)));
}

void TestResultTable::saveLogFilter_data()
{
    QTest::addColumn<bool>("textFilter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("saved");
    QTest::addColumn<QByteArray>("firstLine");
    const QByteArray text = "Read 0x50\t0x11\t";
    const QByteArray csv = "time,duration_us,type,flags,data,error,adapter,speed,address\r\n";
    QTest::newRow("text filter, no suffix") << true << u"log3"_s << u"log3.txt"_s << text;
    QTest::newRow("csv filter, no suffix") << false << u"log3"_s << u"log3.csv"_s << csv;
    QTest::newRow("typed suffix wins") << true << u"log3.csv"_s << u"log3.csv"_s << csv;
}

// The dialog opens on a dated name in the documents folder, then in the folder last used;
// the filter chosen gives the format and the suffix.
void TestResultTable::saveLogFilter()
{
    QFETCH(bool, textFilter);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    QFETCH(QByteArray, firstLine);
    m_window->addTableRow(u"Read 0x50"_s, u"0x11"_s, sequence(17), false, {STARTED_MS, 1060000});
    const QTemporaryDir dir;
    QStringList offered;
    CModalWatcher watcher;
    watcher.onDialog = [&](QDialog *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        offered << files->selectedFiles().value(0);
        if (textFilter)
            files->selectNameFilter(u"Text files (*.txt)"_s);
        files->selectFile(dir.filePath(typed));
        dialog->done(QDialog::Accepted);
    };
    QAction *save = ActionOf(*m_window, "actionSaveLog");
    save->trigger();
    save->trigger();

    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(offered.size(), 2);
    QCOMPARE(QFileInfo(offered.at(0)).absolutePath(), QDir(documents).absolutePath());
    QVERIFY2(QRegularExpression(u"^vtl-i2c-log-\\d{8}-\\d{6}\\.csv$"_s)
                 .match(QFileInfo(offered.at(0)).fileName())
                 .hasMatch(),
             qPrintable(offered.at(0)));
    QCOMPARE(QFileInfo(offered.at(1)).absolutePath(), QDir(dir.path()).absolutePath());
    QVERIFY2(contentsOf(dir.filePath(saved)).contains(firstLine),
             qPrintable(QString::fromUtf8(contentsOf(dir.filePath(saved)))));
    QVERIFY(!QFileInfo::exists(dir.filePath(typed)) || typed == saved);
    // The second save asked before replacing the file that the added suffix named.
    QCOMPARE(watcher.boxes.size(), typed == saved ? 0 : 1);
}

// Each transaction's row keeps the adapter, speed and 7-bit address, whatever the notation.
void TestResultTable::logNamesTheAdapter()
{
    const std::shared_ptr<CSimAdapter> adapter = CSimBus::Instance().Attach(ESimModel::A, L"T-1");
    adapter->AddSlave(0x28, std::make_shared<CSimEeprom>());
    CModalWatcher watcher;
    QVERIFY(ConnectWindow(*m_window, watcher, u"VantrelA  SN T-1"_s));
    ActionOf(*m_window, "actionAddress8Bit")->trigger();
    Child<QComboBox>(*m_window, u"cmb_i2c_device"_s)->setEditText(u"0x50"_s);
    Child<QLineEdit>(*m_window, u"edit_write"_s)->setText(u"00"_s);
    Child<QAbstractButton>(*m_window, u"btn_write"_s)->click();
    Child<QAbstractButton>(*m_window, u"btn_i2c_search"_s)->click();
    m_window->addTableRow(u"Note"_s, QString(), u"added by the window"_s, false);

    const QTemporaryDir dir;
    watcher.onDialog = [&](QDialog *dialog) {
        qobject_cast<QFileDialog *>(dialog)->selectFile(dir.filePath(u"log.csv"_s));
        dialog->done(QDialog::Accepted);
    };
    ActionOf(*m_window, "actionSaveLog")->trigger();
    const QList<QByteArray> lines = contentsOf(dir.filePath(u"log.csv"_s)).split('\n');
    QCOMPARE(lines.size(), 5);
    QVERIFY2(lines.at(1).contains(",Write 0x50,") &&
                 lines.at(1).endsWith(",VantrelA SN T-1,100 kHz,0x28\r"),
             lines.at(1).constData());
    QVERIFY2(lines.at(2).endsWith(",VantrelA SN T-1,100 kHz,\r"), lines.at(2).constData());
    QVERIFY2(lines.at(3).endsWith(",0,,,\r"), lines.at(3).constData());
}

// Kept for the next start; the hex lines gain their text, which Copy Data as Shown carries
// and Copy Data does not.
void TestResultTable::asciiColumn()
{
    QAction *ascii = ActionOf(*m_window, "actionShowAscii");
    QVERIFY(!ascii->isChecked());
    bytesPerLine()->setCurrentIndex(bytesPerLine()->findText(u"2"_s));
    m_window->addTableRow(u"Read 0x50"_s, u"0x03"_s, std::vector<unsigned char>{'O', 'K', 0x00},
                          false);
    m_window->addTableRow(u"Search"_s, QString(), u"0x23, 0x50"_s, false);
    const int height = table()->rowHeight(0);
    ascii->trigger();
    QCOMPARE(table()->item(0, 2)->text(), u"00: 4F 4B  OK\n02: 00     ."_s);
    QCOMPARE(table()->item(1, 2)->text(), u"0x23, 0x50"_s);
    QCOMPARE(table()->rowHeight(0), height);
    selectRows({0});
    ActionOf(*m_window, "actionCopyDataAsShown")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"00: 4F 4B  OK\n02: 00     ."_s);
    ActionOf(*m_window, "actionCopyData")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), u"4F 4B 00"_s);

    m_window = std::make_unique<MainWindow>();
    QVERIFY(ActionOf(*m_window, "actionShowAscii")->isChecked());
    m_window->addTableRow(u"Read 0x50"_s, u"0x01"_s, std::vector<unsigned char>{'A'}, false);
    QCOMPARE(table()->item(0, 2)->text(), u"41  A"_s);
    ActionOf(*m_window, "actionShowAscii")->trigger();
    QCOMPARE(table()->item(0, 2)->text(), u"41"_s);
    QVERIFY(!QSettings().value(u"table/showAscii"_s).toBool());
}

VTL_TEST_MAIN(TestResultTable)
#include "tst_resulttable.moc"
