// The output table: rows from bytes or text, hex lines in the chosen layout, and the
// three copy forms.
#include "HexFormat.h"
#include "MainWindowShared.h"
#include "TableCopy.h"
#include "mainwindow.h"
#include "outputcelldelegate.h"
#include "ui_mainwindow.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>

#include <algorithm>
#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_BYTES_PER_LINE = u"table/bytesPerLine"_s;
const QString SETTINGS_OFFSET_DECIMAL = u"table/offsetDecimal"_s;

const QColor TABLE_COLOR_ERROR = QColor(0xF4, 0x43, 0x36);

// The view copies its current cell on Ctrl+C by itself whenever the copy actions are
// disabled; with no row selected, copying must do nothing.
class CopyKeyGuard : public QObject
{
public:
    using QObject::QObject;

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
            const auto *view = qobject_cast<QAbstractItemView *>(watched);
            if (view != nullptr && !view->selectionModel()->hasSelection())
                return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

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
    // Rows and the Type and Flags columns are sized to their contents here, when a row
    // is added or re-rendered (sizeTableRow, fitTableColumns): the header's own
    // measuring would go through every row again on every change, which freezes the
    // window once the table holds thousands of rows.
    table->horizontalHeader()->setSectionResizeMode(COLUMN_TYPE, QHeaderView::Fixed);
    table->horizontalHeader()->setSectionResizeMode(COLUMN_FLAGS, QHeaderView::Fixed);
    table->horizontalHeader()->setStretchLastSection(true);
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
    table->installEventFilter(new CopyKeyGuard(table));
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
    appendTableRow(type, flags, text, nullptr, text.count(u'\n') + 1, error);
}

void MainWindow::addTableRow(const QString &type, const QString &flags,
                             const std::vector<unsigned char> &bytes, bool error)
{
    const QByteArray raw(reinterpret_cast<const char *>(bytes.data()),
                         static_cast<qsizetype>(bytes.size()));
    const int perLine = bytesPerLine();
    appendTableRow(type, flags, formatHexLines(raw, perLine, isOffsetDecimal()), &raw,
                   HexFormat::lineCount(raw.size(), perLine), error);
}

void MainWindow::appendTableRow(const QString &type, const QString &flags, const QString &dataText,
                                const QByteArray *bytes, qsizetype lines, bool error)
{
    QTableWidget *table = ui->table_data;
    const QFont &fixed = cellDelegate()->fixedFont();
    QTableWidgetItem *dataItem = newTableItem(dataText, &fixed, error);
    if (bytes != nullptr)
        dataItem->setData(Qt::UserRole, *bytes);

    const int row = table->rowCount();
    table->insertRow(row);
    table->setItem(row, COLUMN_TYPE, newTableItem(type, nullptr, error));
    table->setItem(row, COLUMN_FLAGS, newTableItem(flags, &fixed, error));
    table->setItem(row, COLUMN_DATA, dataItem);
    sizeTableRow(row, lines);
    fitTableColumns(type, flags);
    table->scrollToBottom();
}

OutputCellDelegate *MainWindow::cellDelegate() const
{
    return static_cast<OutputCellDelegate *>(ui->table_data->itemDelegate());
}

void MainWindow::sizeTableRow(int row, qsizetype lines)
{
    QTableWidget *table = ui->table_data;
    const int grid = table->showGrid() ? 1 : 0;
    const int height = std::max(OutputCellDelegate::textHeight(1, table->font()),
                                OutputCellDelegate::textHeight(lines, cellDelegate()->fixedFont()));
    const QHeaderView *header = table->verticalHeader();
    table->setRowHeight(
        row, std::clamp(height + grid, header->minimumSectionSize(), header->maximumSectionSize()));
}

void MainWindow::fitTableColumns(const QString &type, const QString &flags)
{
    QTableWidget *table = ui->table_data;
    QHeaderView *header = table->horizontalHeader();
    const int grid = table->showGrid() ? 1 : 0;
    const auto fit = [&](int column, const QString &text, const QFont &font) {
        const int width = cellDelegate()->cellWidth(text, font, table) + grid;
        if (width > header->sectionSize(column))
            header->resizeSection(column, width);
    };
    fit(COLUMN_TYPE, type, table->font());
    fit(COLUMN_FLAGS, flags, cellDelegate()->fixedFont());
}

void MainWindow::resetTableColumns()
{
    QHeaderView *header = ui->table_data->horizontalHeader();
    for (const int column : {COLUMN_TYPE, COLUMN_FLAGS})
        header->resizeSection(column, header->sectionSizeHint(column));
}

void MainWindow::onBytesPerLineChanged()
{
    const int perLine = bytesPerLine();
    const bool decimal = isOffsetDecimal();
    QSettings settings;
    settings.setValue(SETTINGS_BYTES_PER_LINE, perLine);
    settings.setValue(SETTINGS_OFFSET_DECIMAL, decimal);

    QTableWidget *table = ui->table_data;
    std::vector<std::pair<int, qsizetype>> resized;
    for (int row = 0; row < table->rowCount(); ++row) {
        QTableWidgetItem *item = table->item(row, COLUMN_DATA);
        if (item == nullptr)
            continue;
        const QVariant stored = item->data(Qt::UserRole);
        if (stored.typeId() != QMetaType::QByteArray)
            continue;
        const QByteArray bytes = stored.toByteArray();
        item->setText(formatHexLines(bytes, perLine, decimal));
        resized.emplace_back(row, HexFormat::lineCount(bytes.size(), perLine));
    }
    // All heights in one sweep after the texts, with the header's updates off: each
    // height change re-places every row below it, and a text change asks for the place.
    QHeaderView *header = table->verticalHeader();
    header->setUpdatesEnabled(false);
    for (const auto &[row, lines] : resized)
        sizeTableRow(row, lines);
    header->setUpdatesEnabled(true);
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
    QList<int> rows;
    for (const QItemSelectionRange &range : table->selectionModel()->selection()) {
        for (int row = range.top(); row <= range.bottom(); ++row)
            rows << row;
    }
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    const auto textOf = [table](int row, int column) {
        const QTableWidgetItem *item = table->item(row, column);
        return item ? item->text() : QString();
    };
    QList<TableCopy::SRow> entries;
    entries.reserve(rows.size());
    for (const int row : std::as_const(rows)) {
        TableCopy::SRow entry{textOf(row, COLUMN_TYPE), textOf(row, COLUMN_FLAGS),
                              textOf(row, COLUMN_DATA), std::nullopt};
        if (const QTableWidgetItem *item = table->item(row, COLUMN_DATA)) {
            const QVariant stored = item->data(Qt::UserRole);
            if (stored.typeId() == QMetaType::QByteArray)
                entry.bytes = stored.toByteArray();
        }
        entries << entry;
    }

    QString text;
    switch (mode) {
    case ETableCopy::Report:
        text = TableCopy::report(entries);
        break;
    case ETableCopy::Data:
        text = TableCopy::data(entries);
        break;
    case ETableCopy::DataAsShown:
        text = TableCopy::dataAsShown(entries);
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
    menu.addAction(ui->actionTableClear);
    menu.exec(table->viewport()->mapToGlobal(pos));
    // The clear action also sits in the tool bar, where it is always available.
    ui->actionTableClear->setEnabled(true);
}
