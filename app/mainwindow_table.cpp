// SPDX-License-Identifier: MIT
// The output table: rows from bytes or text with their times, hex lines in the chosen
// layout, the three copy forms, and clearing that can be undone.
#include "EventHook.h"
#include "HexFormat.h"
#include "MainWindowShared.h"
#include "TableCopy.h"
#include "TimeFormat.h"
#include "mainwindow.h"
#include "outputcelldelegate.h"
#include "ui_mainwindow.h"

#include <QClipboard>
#include <QDateTime>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>
#include <numeric>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_BYTES_PER_LINE = u"table/bytesPerLine"_s;
const QString SETTINGS_OFFSET_DECIMAL = u"table/offsetDecimal"_s;
const QString SETTINGS_SHOW_TIME = u"table/showTime"_s;

const QColor TABLE_COLOR_ERROR = QColor(0xF4, 0x43, 0x36);

QTableWidgetItem *newTableItem(const QString &text, const QFont *font, bool error)
{
    auto *item = new QTableWidgetItem(text);
    if (font != nullptr)
        item->setFont(*font);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (error)
        item->setForeground(QBrush(TABLE_COLOR_ERROR));
    return item;
}

} // namespace

void MainWindow::setupTable()
{
    QTableWidget *table = ui->table_data;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    // Rows and the Time, Type and Flags columns are sized to their contents here, when a
    // row is added or re-rendered (sizeTableRow, fitTableColumns): the header's own
    // measuring would go through every row again on every change, which freezes the
    // window once the table holds thousands of rows.
    QHeaderView *header = table->horizontalHeader();
    for (const int column : {COLUMN_TIME, COLUMN_TYPE, COLUMN_FLAGS})
        header->setSectionResizeMode(column, QHeaderView::Fixed);
    header->moveSection(header->visualIndex(COLUMN_TIME), 0);
    header->setStretchLastSection(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setItemDelegate(new OutputCellDelegate(table));
    table->setWordWrap(false);
    resetTableColumns();
    connect(table->model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (ui->table_data->rowCount() == 0)
            resetTableColumns();
    });
    // A read of 64 KiB is one row thousands of lines tall; it must scroll within itself.
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A "Full" line may be far wider than the window; it scrolls smoothly into view.
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    watchTableWidth();

    QComboBox *bytesBox = ui->cmb_bytes_per_line;
    for (int i = 0; i < bytesBox->count(); ++i) {
        bool ok = false;
        const int value = bytesBox->itemText(i).toInt(&ok);
        bytesBox->setItemData(i, ok ? value : 0);
    }

    const QSettings settings;
    bool storedOk = false;
    const int stored =
        settings.value(SETTINGS_BYTES_PER_LINE, bytesBox->currentData()).toInt(&storedOk);
    // An unreadable value must not fall through as 0, which would pick "Full".
    const int storedIndex = storedOk ? bytesBox->findData(stored) : -1;
    if (storedIndex >= 0)
        bytesBox->setCurrentIndex(storedIndex);
    connect(bytesBox, &QComboBox::currentIndexChanged, this, &MainWindow::onBytesPerLineChanged);

    const bool decimal = settings.value(SETTINGS_OFFSET_DECIMAL, false).toBool();
    ui->cmb_offset_format->setCurrentIndex(decimal ? 1 : 0);
    connect(ui->cmb_offset_format, &QComboBox::currentIndexChanged, this,
            &MainWindow::onBytesPerLineChanged);

    const bool showTime = settings.value(SETTINGS_SHOW_TIME, false).toBool();
    ui->actionShowTime->setChecked(showTime);
    table->setColumnHidden(COLUMN_TIME, !showTime);
    connect(ui->actionShowTime, &QAction::toggled, this, &MainWindow::onShowTimeToggled);

    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->addActions({ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown});
    connect(table, &QWidget::customContextMenuRequested, this, &MainWindow::onTableContextMenu);

    connect(ui->actionCopyReport, &QAction::triggered, this,
            [this] { copyTableRows(ETableCopy::Report); });
    connect(ui->actionCopyData, &QAction::triggered, this,
            [this] { copyTableRows(ETableCopy::Data); });
    connect(ui->actionCopyDataAsShown, &QAction::triggered, this,
            [this] { copyTableRows(ETableCopy::DataAsShown); });
    // The copy actions, and so their shortcuts, follow the selection, not only while
    // the context menu is open.
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateCopyActions);
    updateCopyActions();
    // The view copies its current cell on Ctrl+C by itself whenever the copy actions are
    // disabled; with no row selected, copying must do nothing.
    new EventHook(table, [table](QEvent *event) {
        return event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy) &&
               !table->selectionModel()->hasSelection();
    });

    ui->actionUndoClear->setEnabled(false);
    connect(ui->actionUndoClear, &QAction::triggered, this, &MainWindow::onUndoClear);
    connect(ui->actionSaveLog, &QAction::triggered, this, &MainWindow::onSaveLog);
}

QString MainWindow::formatHexLines(const QByteArray &bytes, int perLine, bool offsetDecimal)
{
    return HexFormat::lines(bytes, perLine, offsetDecimal);
}

int MainWindow::bytesPerLine() const
{
    return ui->cmb_bytes_per_line->currentData(Qt::UserRole).toInt();
}

bool MainWindow::isOffsetDecimal() const
{
    return ui->cmb_offset_format->currentIndex() == 1;
}

void MainWindow::addTableRow(const QString &type, const QString &flags, const QString &text,
                             bool error)
{
    addTableRow(type, flags, text, error, {QDateTime::currentMSecsSinceEpoch(), std::nullopt});
}

void MainWindow::addTableRow(const QString &type, const QString &flags,
                             const std::vector<unsigned char> &bytes, bool error)
{
    addTableRow(type, flags, bytes, error, {QDateTime::currentMSecsSinceEpoch(), std::nullopt});
}

void MainWindow::addTableRow(const QString &type, const QString &flags, const QString &text,
                             bool error, const STableRowTime &time)
{
    appendTableRow({type, flags, text, std::nullopt, time, error});
}

void MainWindow::addTableRow(const QString &type, const QString &flags,
                             const std::vector<unsigned char> &bytes, bool error,
                             const STableRowTime &time)
{
    const QByteArray raw(reinterpret_cast<const char *>(bytes.data()),
                         static_cast<qsizetype>(bytes.size()));
    appendTableRow({type, flags, QString(), raw, time, error});
}

void MainWindow::appendTableRow(const TableCopy::SRow &row)
{
    dropClearedRows();
    QTableWidget *table = ui->table_data;
    const int index = table->rowCount();
    table->insertRow(index);
    placeTableRow(index, row);
    fitDataColumn();
    table->scrollToBottom();
}

// Fills the inserted, empty row `index` and widens the columns for it; a row with bytes
// is rendered in the layout in force.
void MainWindow::placeTableRow(int index, const TableCopy::SRow &row)
{
    QTableWidget *table = ui->table_data;
    const QFont &fixed = cellDelegate()->fixedFont();
    QString dataText = row.shownData;
    qsizetype lines = 0;
    if (row.bytes) {
        const int perLine = bytesPerLine();
        dataText = formatHexLines(*row.bytes, perLine, isOffsetDecimal());
        lines = HexFormat::lineCount(row.bytes->size(), perLine);
    } else {
        lines = dataText.count(u'\n') + 1;
    }
    QTableWidgetItem *dataItem = newTableItem(dataText, &fixed, row.error);
    if (row.bytes)
        dataItem->setData(Qt::UserRole, *row.bytes);

    const QString timeText = TimeFormat::Cell(row.time.startedMs, row.time.durationUs);
    QTableWidgetItem *timeItem = newTableItem(timeText, &fixed, row.error);
    timeItem->setData(TIME_ROLE_STARTED_MS, row.time.startedMs);
    if (row.time.durationUs)
        timeItem->setData(TIME_ROLE_DURATION_US, *row.time.durationUs);
    timeItem->setData(TIME_ROLE_ERROR, row.error);

    QTableWidgetItem *flagsItem = newTableItem(row.flags, &fixed, row.error);
    // The column stops growing at the limit; the cell elides, the tool tip has it all.
    if (cellDelegate()->cellWidth(row.flags, fixed, table) > flagsWidthLimit())
        flagsItem->setToolTip(row.flags);

    QTableWidgetItem *typeItem = newTableItem(row.type, nullptr, row.error);
    if (cellDelegate()->cellWidth(row.type, table->font(), table) > typeWidthLimit())
        typeItem->setToolTip(row.type);
    table->setItem(index, COLUMN_TYPE, typeItem);
    table->setItem(index, COLUMN_FLAGS, flagsItem);
    table->setItem(index, COLUMN_DATA, dataItem);
    table->setItem(index, COLUMN_TIME, timeItem);
    sizeTableRow(index, lines);
    fitTableColumns(timeText, row.type, row.flags);
    noteDataLines(dataText);
}

TableCopy::SRow MainWindow::tableRow(int index) const
{
    const QTableWidget *table = ui->table_data;
    const auto textOf = [&](int column) {
        const QTableWidgetItem *item = table->item(index, column);
        return item ? item->text() : QString();
    };
    TableCopy::SRow row{
        textOf(COLUMN_TYPE), textOf(COLUMN_FLAGS), textOf(COLUMN_DATA), std::nullopt, {}, false};
    if (const QTableWidgetItem *item = table->item(index, COLUMN_DATA)) {
        const QVariant stored = item->data(Qt::UserRole);
        if (stored.typeId() == QMetaType::QByteArray)
            row.bytes = stored.toByteArray();
    }
    if (const QTableWidgetItem *item = table->item(index, COLUMN_TIME)) {
        row.time.startedMs = item->data(TIME_ROLE_STARTED_MS).toLongLong();
        const QVariant duration = item->data(TIME_ROLE_DURATION_US);
        if (duration.isValid())
            row.time.durationUs = duration.toLongLong();
        row.error = item->data(TIME_ROLE_ERROR).toBool();
    }
    return row;
}

QList<TableCopy::SRow> MainWindow::tableRows(const QList<int> &indexes) const
{
    QList<TableCopy::SRow> rows;
    rows.reserve(indexes.size());
    for (const int index : indexes)
        rows << tableRow(index);
    return rows;
}

QList<TableCopy::SRow> MainWindow::allTableRows() const
{
    QList<int> indexes(ui->table_data->rowCount());
    std::iota(indexes.begin(), indexes.end(), 0);
    return tableRows(indexes);
}

OutputCellDelegate *MainWindow::cellDelegate() const
{
    return static_cast<OutputCellDelegate *>(ui->table_data->itemDelegate());
}

void MainWindow::onBytesPerLineChanged()
{
    const int perLine = bytesPerLine();
    const bool decimal = isOffsetDecimal();
    QSettings settings;
    settings.setValue(SETTINGS_BYTES_PER_LINE, perLine);
    settings.setValue(SETTINGS_OFFSET_DECIMAL, decimal);

    QTableWidget *table = ui->table_data;
    m_widestDataChars = 0;
    m_dataWidth = 0;
    std::vector<std::pair<int, qsizetype>> resized;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem *item = table->item(row, COLUMN_DATA);
        if (item == nullptr)
            continue;
        const QVariant stored = item->data(Qt::UserRole);
        if (stored.typeId() != QMetaType::QByteArray) {
            noteDataLines(item->text());
            continue;
        }
        const QByteArray bytes = stored.toByteArray();
        const QString text = formatHexLines(bytes, perLine, decimal);
        item->setText(text);
        noteDataLines(text);
        resized.emplace_back(row, HexFormat::lineCount(bytes.size(), perLine));
    }
    // All heights in one sweep after the texts, with the header's updates off: each
    // height change re-places every row below it, and a text change asks for the place.
    QHeaderView *header = table->verticalHeader();
    header->setUpdatesEnabled(false);
    for (const auto &[row, lines] : resized)
        sizeTableRow(row, lines);
    header->setUpdatesEnabled(true);
    fitDataColumn();
}

void MainWindow::onShowTimeToggled(bool shown)
{
    QSettings().setValue(SETTINGS_SHOW_TIME, shown);
    QTableWidget *table = ui->table_data;
    table->setColumnHidden(COLUMN_TIME, !shown);
    if (shown && m_timeWidth > table->columnWidth(COLUMN_TIME))
        table->horizontalHeader()->resizeSection(COLUMN_TIME, m_timeWidth);
    fitDataColumn();
}

void MainWindow::onTableClear()
{
    QTableWidget *table = ui->table_data;
    // Clearing an empty table removes nothing, so an earlier clear stays undoable.
    if (table->rowCount() == 0)
        return;
    m_clearedRows = allTableRows();
    table->setRowCount(0);
    ui->actionUndoClear->setEnabled(true);
}

void MainWindow::onUndoClear()
{
    const QList<TableCopy::SRow> rows = std::exchange(m_clearedRows, {});
    ui->actionUndoClear->setEnabled(false);
    if (rows.isEmpty())
        return;
    QTableWidget *table = ui->table_data;
    const int first = table->rowCount();
    table->setRowCount(first + int(rows.size()));
    // Row heights in one sweep with the header's updates off, as a re-render does.
    QHeaderView *header = table->verticalHeader();
    header->setUpdatesEnabled(false);
    for (int i = 0; i < rows.size(); ++i)
        placeTableRow(first + i, rows.at(i));
    header->setUpdatesEnabled(true);
    fitDataColumn();
    table->scrollToBottom();
}

void MainWindow::dropClearedRows()
{
    if (m_clearedRows.isEmpty())
        return;
    m_clearedRows.clear();
    ui->actionUndoClear->setEnabled(false);
}

void MainWindow::updateCopyActions()
{
    const bool selected = ui->table_data->selectionModel()->hasSelection();
    for (QAction *action : {ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown})
        action->setEnabled(selected);
}

void MainWindow::copyTableRows(ETableCopy mode)
{
    const QTableWidget *table = ui->table_data;
    QList<int> indexes;
    for (const QItemSelectionRange &range : table->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            indexes << row;
    }
    if (indexes.isEmpty())
        return;
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    const QList<TableCopy::SRow> rows = tableRows(indexes);

    QString text;
    switch (mode) {
    case ETableCopy::Report:
        text = table->isColumnHidden(COLUMN_TIME) ? TableCopy::report(rows)
                                                  : TableCopy::reportWithTime(rows);
        break;
    case ETableCopy::Data:
        text = TableCopy::data(rows);
        break;
    case ETableCopy::DataAsShown:
        text = TableCopy::dataAsShown(rows);
        break;
    }
    QGuiApplication::clipboard()->setText(text);
    statusBar()->showMessage(tr("%n row(s) copied", nullptr, int(rows.size())), STATUS_MESSAGE_MS);
}

void MainWindow::onTableContextMenu(const QPoint &pos)
{
    QTableWidget *table = ui->table_data;
    updateCopyActions();
    ui->actionTableClear->setEnabled(table->rowCount() > 0);

    QMenu menu(this);
    menu.addActions({ui->actionCopyReport, ui->actionCopyData, ui->actionCopyDataAsShown});
    menu.addSeparator();
    menu.addActions({ui->actionTableClear, ui->actionUndoClear});
    menu.exec(table->viewport()->mapToGlobal(pos));
    // The clear action also sits in the tool bar, where it is always available.
    ui->actionTableClear->setEnabled(true);
}
