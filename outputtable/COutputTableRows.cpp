// SPDX-License-Identifier: MIT
// The table's rows: placed from bytes or text with their times, read back as records, and
// cleared with an undo.
#include "COutputTable.h"
#include "ErrorColor.h"
#include "HexFormat.h"
#include "OutputTableColumns.h"
#include "StatusFlagsLegend.h"
#include "TimeFormat.h"
#include "outputcelldelegate.h"

#include <QAction>
#include <QDateTime>
#include <QHeaderView>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTableWidget>

#include <numeric>
#include <utility>

namespace {

QTableWidgetItem *newTableItem(const QString &text, const QFont *font, bool error)
{
    auto *item = new QTableWidgetItem(text);
    if (font != nullptr)
        item->setFont(*font);
    item->setTextAlignment(Qt::AlignLeft | Qt::AlignTop);
    if (error)
        item->setForeground(QBrush(ERROR_COLOR));
    return item;
}

QByteArray toByteArray(const std::vector<unsigned char> &bytes)
{
    return {reinterpret_cast<const char *>(bytes.data()), static_cast<qsizetype>(bytes.size())};
}

STableRowTime now()
{
    return {QDateTime::currentMSecsSinceEpoch(), std::nullopt};
}

QVariant transferData(const STransactionRequest &request)
{
    return QVariantList{int(request.kind),         int(request.address), toByteArray(request.data),
                        qulonglong(request.count), request.start,        request.stop};
}

std::optional<STransactionRequest> transferOf(const QVariant &data)
{
    const QVariantList fields = data.toList();
    if (fields.size() != 6)
        return std::nullopt;
    STransactionRequest request;
    request.kind = static_cast<ETransactionKind>(fields.at(0).toInt());
    request.address = static_cast<std::uint8_t>(fields.at(1).toInt());
    const QByteArray bytes = fields.at(2).toByteArray();
    request.data.assign(bytes.begin(), bytes.end());
    request.count = static_cast<std::size_t>(fields.at(3).toULongLong());
    request.start = fields.at(4).toBool();
    request.stop = fields.at(5).toBool();
    return request;
}

} // namespace

void COutputTable::AddRow(const QString &type, const QString &flags, const QString &text,
                          bool error)
{
    AddRow(type, flags, text, error, now());
}

void COutputTable::AddRow(const QString &type, const QString &flags,
                          const std::vector<unsigned char> &bytes, bool error)
{
    AddRow(type, flags, bytes, error, now());
}

void COutputTable::AddRow(const QString &type, const QString &flags, const QString &text,
                          bool error, const STableRowTime &time,
                          const std::optional<STableRowOrigin> &origin,
                          const std::optional<STableRowClient> &client)
{
    appendRow({type, flags, text, std::nullopt, time, error, origin, std::nullopt, client});
}

void COutputTable::AddRow(const QString &type, const QString &flags,
                          const std::vector<unsigned char> &bytes, bool error,
                          const STableRowTime &time, const std::optional<STableRowOrigin> &origin,
                          const std::optional<STransactionRequest> &transfer,
                          const std::optional<STableRowClient> &client)
{
    appendRow({type, flags, QString(), toByteArray(bytes), time, error, origin, transfer, client});
}

int COutputTable::RowCount() const
{
    return m_ui.table->rowCount();
}

std::function<void(const QString &)> COutputTable::TextSetterOfRow(int row)
{
    // Follows the row itself: Clear Output removes it, and a restored row is a new one.
    const QPersistentModelIndex cell(m_ui.table->model()->index(row, COLUMN_DATA));
    return [self = QPointer<COutputTable>(this), cell](const QString &text) {
        if (self.isNull() || !cell.isValid())
            return;
        self->setRowText(cell.row(), text);
    };
}

void COutputTable::setRowText(int row, const QString &text)
{
    QTableWidgetItem *item = m_ui.table->item(row, COLUMN_DATA);
    if (item == nullptr || item->data(Qt::UserRole).typeId() == QMetaType::QByteArray)
        return;
    item->setText(text);
    sizeRow(row, text.count(u'\n') + 1);
    noteDataLines(text);
    fitDataColumn();
}

void COutputTable::appendRow(const TableCopy::SRow &row)
{
    dropClearedRows();
    QTableWidget *table = m_ui.table;
    const int index = table->rowCount();
    table->insertRow(index);
    placeRow(index, row);
    fitDataColumn();
    table->scrollToBottom();
}

// Fills the inserted, empty row `index` and widens the columns for it; a row with bytes
// is rendered in the layout in force.
void COutputTable::placeRow(int index, const TableCopy::SRow &row)
{
    QTableWidget *table = m_ui.table;
    const QFont &fixed = cellDelegate()->fixedFont();
    QString shown = row.shownData;
    qsizetype lines = 0;
    if (row.bytes) {
        shown = dataText(*row.bytes);
        lines = HexFormat::lineCount(row.bytes->size(), BytesPerLine());
    } else {
        lines = shown.count(u'\n') + 1;
    }
    QTableWidgetItem *dataItem = newTableItem(shown, &fixed, row.error);
    if (row.bytes)
        dataItem->setData(Qt::UserRole, *row.bytes);

    const QString timeText = TimeFormat::Cell(row.time.startedMs, row.time.durationUs);
    QTableWidgetItem *timeItem = newTableItem(timeText, &fixed, row.error);
    timeItem->setData(TIME_ROLE_STARTED_MS, row.time.startedMs);
    if (row.time.durationUs)
        timeItem->setData(TIME_ROLE_DURATION_US, *row.time.durationUs);
    timeItem->setData(TIME_ROLE_ERROR, row.error);
    if (row.origin) {
        timeItem->setData(TIME_ROLE_ADAPTER, row.origin->adapter);
        timeItem->setData(TIME_ROLE_SPEED, row.origin->speed);
        if (row.origin->address)
            timeItem->setData(TIME_ROLE_ADDRESS, int(*row.origin->address));
    }
    if (row.transfer)
        timeItem->setData(TIME_ROLE_TRANSFER, transferData(*row.transfer));

    // Another program's row names it wherever the pointer rests on the row.
    const QString clientText = row.client ? row.client->Text() : QString();
    QTableWidgetItem *originItem = newTableItem(clientText, nullptr, row.error);
    if (row.client) {
        originItem->setData(ORIGIN_ROLE_PROGRAM, row.client->program);
        originItem->setData(ORIGIN_ROLE_PID, row.client->pid);
        for (QTableWidgetItem *item : {originItem, dataItem, timeItem})
            item->setToolTip(clientText);
    }

    QTableWidgetItem *flagsItem = newTableItem(row.flags, &fixed, row.error);
    // The column stops growing at the limit; the cell elides, the tool tip has it all, and
    // the status byte's bits spelled out.
    QStringList flagsTip;
    if (cellDelegate()->cellWidth(row.flags, fixed, table) > flagsWidthLimit())
        flagsTip << row.flags;
    if (const QString legend = StatusFlagsLegend::ToolTip(row.flags); !legend.isEmpty())
        flagsTip << legend;
    if (row.client)
        flagsTip << clientText;
    flagsItem->setToolTip(flagsTip.join(QStringLiteral("\n\n")));

    QTableWidgetItem *typeItem = newTableItem(row.type, nullptr, row.error);
    QStringList typeTip;
    if (cellDelegate()->cellWidth(row.type, table->font(), table) > typeWidthLimit())
        typeTip << row.type;
    if (row.client)
        typeTip << clientText;
    typeItem->setToolTip(typeTip.join(QStringLiteral("\n\n")));
    table->setItem(index, COLUMN_TYPE, typeItem);
    table->setItem(index, COLUMN_FLAGS, flagsItem);
    table->setItem(index, COLUMN_DATA, dataItem);
    table->setItem(index, COLUMN_TIME, timeItem);
    table->setItem(index, COLUMN_ORIGIN, originItem);
    sizeRow(index, lines);
    fitColumns(timeText, clientText, row.type, row.flags);
    noteDataLines(shown);
}

TableCopy::SRow COutputTable::row(int index) const
{
    const QTableWidget *table = m_ui.table;
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
        const QVariant adapter = item->data(TIME_ROLE_ADAPTER);
        if (adapter.isValid()) {
            row.origin = STableRowOrigin{adapter.toString(), item->data(TIME_ROLE_SPEED).toString(),
                                         std::nullopt};
            const QVariant address = item->data(TIME_ROLE_ADDRESS);
            if (address.isValid())
                row.origin->address = static_cast<unsigned char>(address.toInt());
        }
        row.transfer = transferOf(item->data(TIME_ROLE_TRANSFER));
    }
    if (const QTableWidgetItem *item = table->item(index, COLUMN_ORIGIN)) {
        const QVariant program = item->data(ORIGIN_ROLE_PROGRAM);
        if (program.isValid())
            row.client =
                STableRowClient{program.toString(), item->data(ORIGIN_ROLE_PID).toLongLong()};
    }
    return row;
}

QList<TableCopy::SRow> COutputTable::rows(const QList<int> &indexes) const
{
    QList<TableCopy::SRow> result;
    result.reserve(indexes.size());
    for (const int index : indexes)
        result << row(index);
    return result;
}

QList<TableCopy::SRow> COutputTable::Rows() const
{
    QList<int> indexes(m_ui.table->rowCount());
    std::iota(indexes.begin(), indexes.end(), 0);
    return rows(indexes);
}

void COutputTable::onClear()
{
    QTableWidget *table = m_ui.table;
    // Clearing an empty table removes nothing, so an earlier clear stays undoable.
    if (table->rowCount() == 0)
        return;
    m_clearedRows = Rows();
    table->setRowCount(0);
    m_ui.undoClear->setEnabled(true);
}

void COutputTable::onUndoClear()
{
    const QList<TableCopy::SRow> restored = std::exchange(m_clearedRows, {});
    m_ui.undoClear->setEnabled(false);
    if (restored.isEmpty())
        return;
    QTableWidget *table = m_ui.table;
    const int first = table->rowCount();
    table->setRowCount(first + int(restored.size()));
    // Row heights in one sweep with the header's updates off, as a re-render does.
    QHeaderView *header = table->verticalHeader();
    header->setUpdatesEnabled(false);
    for (int i = 0; i < restored.size(); ++i)
        placeRow(first + i, restored.at(i));
    header->setUpdatesEnabled(true);
    fitDataColumn();
    table->scrollToBottom();
}

void COutputTable::dropClearedRows()
{
    if (m_clearedRows.isEmpty())
        return;
    m_clearedRows.clear();
    m_ui.undoClear->setEnabled(false);
}
