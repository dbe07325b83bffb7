// SPDX-License-Identifier: MIT
#include "COutputTable.h"

#include "AsciiColumn.h"
#include "HexFormat.h"
#include "OutputTableColumns.h"
#include "outputcelldelegate.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QSettings>
#include <QTableWidget>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

const QString SETTINGS_BYTES_PER_LINE = u"table/bytesPerLine"_s;
const QString SETTINGS_OFFSET_DECIMAL = u"table/offsetDecimal"_s;
const QString SETTINGS_SHOW_TIME = u"table/showTime"_s;
const QString SETTINGS_SHOW_ASCII = u"table/showAscii"_s;
const QString SETTINGS_SHOW_ORIGIN = u"table/showOrigin"_s;

} // namespace

COutputTable::COutputTable(const SWidgets &widgets, QObject *parent)
    : QObject(parent)
    , m_ui(widgets)
{
    setupTable();
    setupLayoutBoxes();
    setupCopy();
    m_ui.undoClear->setEnabled(false);
    connect(m_ui.clear, &QAction::triggered, this, &COutputTable::onClear);
    connect(m_ui.undoClear, &QAction::triggered, this, &COutputTable::onUndoClear);
    connect(m_ui.saveLog, &QAction::triggered, this, &COutputTable::onSaveLog);
}

void COutputTable::setupTable()
{
    QTableWidget *table = m_ui.table;
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->verticalHeader()->hide();
    // Rows and the Time, Type and Flags columns are sized to their contents here, when a
    // row is added or re-rendered (sizeRow, fitColumns): the header's own measuring would
    // go through every row again on every change, which freezes the window once the table
    // holds thousands of rows.
    QHeaderView *header = table->horizontalHeader();
    for (const int column : {COLUMN_TIME, COLUMN_ORIGIN, COLUMN_TYPE, COLUMN_FLAGS})
        header->setSectionResizeMode(column, QHeaderView::Fixed);
    header->moveSection(header->visualIndex(COLUMN_TIME), 0);
    header->moveSection(header->visualIndex(COLUMN_ORIGIN), 1);
    header->setStretchLastSection(true);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->setItemDelegate(new OutputCellDelegate(table));
    table->setWordWrap(false);
    // Tab leaves the table for the next field; arrows move between the cells.
    table->setTabKeyNavigation(false);
    resetColumns();
    connect(table->model(), &QAbstractItemModel::rowsRemoved, this, [this] {
        if (m_ui.table->rowCount() == 0)
            resetColumns();
    });
    // A read of 64 KiB is one row thousands of lines tall; it must scroll within itself.
    table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    // A "Full" line may be far wider than the window; it scrolls smoothly into view.
    table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    table->installEventFilter(this);
    m_viewport = table->viewport();
    m_viewport->installEventFilter(this);
    connect(header, &QHeaderView::sectionResized, this, [this](int column) {
        if (column != COLUMN_DATA)
            fitDataColumn();
    });

    const bool showTime = QSettings().value(SETTINGS_SHOW_TIME, false).toBool();
    m_ui.showTime->setChecked(showTime);
    table->setColumnHidden(COLUMN_TIME, !showTime);
    connect(m_ui.showTime, &QAction::toggled, this, &COutputTable::onShowTimeToggled);

    // Most rows are the window's own, so the column that names other programs starts hidden.
    const bool showOrigin = QSettings().value(SETTINGS_SHOW_ORIGIN, false).toBool();
    m_ui.showOrigin->setChecked(showOrigin);
    table->setColumnHidden(COLUMN_ORIGIN, !showOrigin);
    connect(m_ui.showOrigin, &QAction::toggled, this, &COutputTable::onShowOriginToggled);

    m_ui.showAscii->setChecked(QSettings().value(SETTINGS_SHOW_ASCII, false).toBool());
    connect(m_ui.showAscii, &QAction::toggled, this, &COutputTable::onShowAsciiToggled);
}

void COutputTable::setupLayoutBoxes()
{
    QComboBox *bytesBox = m_ui.bytesPerLine;
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
    connect(bytesBox, &QComboBox::currentIndexChanged, this, &COutputTable::onBytesPerLineChanged);

    const bool decimal = settings.value(SETTINGS_OFFSET_DECIMAL, false).toBool();
    m_ui.offsetFormat->setCurrentIndex(decimal ? 1 : 0);
    connect(m_ui.offsetFormat, &QComboBox::currentIndexChanged, this,
            &COutputTable::onBytesPerLineChanged);
}

bool COutputTable::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by address only: while the window is torn down the table goes first and may
    // still send events, and it must not be asked anything then.
    if (watched == m_viewport) {
        if (event->type() == QEvent::Resize)
            fitDataColumn();
        return false;
    }
    // The view copies its current cell on Ctrl+C by itself whenever the copy actions are
    // disabled; with no row selected, copying must do nothing.
    return watched == m_ui.table && event->type() == QEvent::KeyPress &&
           static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy) &&
           !m_ui.table->selectionModel()->hasSelection();
}

int COutputTable::BytesPerLine() const
{
    return m_ui.bytesPerLine->currentData(Qt::UserRole).toInt();
}

bool COutputTable::IsOffsetDecimal() const
{
    return m_ui.offsetFormat->currentIndex() == 1;
}

QString COutputTable::dataText(const QByteArray &bytes) const
{
    return m_ui.showAscii->isChecked()
               ? AsciiColumn::Lines(bytes, BytesPerLine(), IsOffsetDecimal())
               : HexFormat::lines(bytes, BytesPerLine(), IsOffsetDecimal());
}

void COutputTable::onBytesPerLineChanged()
{
    QSettings settings;
    settings.setValue(SETTINGS_BYTES_PER_LINE, BytesPerLine());
    settings.setValue(SETTINGS_OFFSET_DECIMAL, IsOffsetDecimal());
    rerender();
}

void COutputTable::onShowAsciiToggled(bool shown)
{
    QSettings().setValue(SETTINGS_SHOW_ASCII, shown);
    rerender();
}

void COutputTable::rerender()
{
    const int perLine = BytesPerLine();
    QTableWidget *table = m_ui.table;
    m_widestDataChars = 0;
    m_dataWidth = 0;
    std::vector<std::pair<int, qsizetype>> resized;
    for (int index = 0; index < table->rowCount(); ++index) {
        QTableWidgetItem *item = table->item(index, COLUMN_DATA);
        if (item == nullptr)
            continue;
        const QVariant stored = item->data(Qt::UserRole);
        if (stored.typeId() != QMetaType::QByteArray) {
            noteDataLines(item->text());
            continue;
        }
        const QByteArray bytes = stored.toByteArray();
        const QString text = dataText(bytes);
        item->setText(text);
        noteDataLines(text);
        resized.emplace_back(index, HexFormat::lineCount(bytes.size(), perLine));
    }
    // All heights in one sweep after the texts, with the header's updates off: each
    // height change re-places every row below it, and a text change asks for the place.
    QHeaderView *header = table->verticalHeader();
    header->setUpdatesEnabled(false);
    for (const auto &[index, lines] : resized)
        sizeRow(index, lines);
    header->setUpdatesEnabled(true);
    fitDataColumn();
}

void COutputTable::onShowTimeToggled(bool shown)
{
    QSettings().setValue(SETTINGS_SHOW_TIME, shown);
    QTableWidget *table = m_ui.table;
    table->setColumnHidden(COLUMN_TIME, !shown);
    if (shown && m_timeWidth > table->columnWidth(COLUMN_TIME))
        table->horizontalHeader()->resizeSection(COLUMN_TIME, m_timeWidth);
    fitDataColumn();
}

void COutputTable::onShowOriginToggled(bool shown)
{
    QSettings().setValue(SETTINGS_SHOW_ORIGIN, shown);
    QTableWidget *table = m_ui.table;
    table->setColumnHidden(COLUMN_ORIGIN, !shown);
    if (shown && m_originWidth > table->columnWidth(COLUMN_ORIGIN))
        table->horizontalHeader()->resizeSection(COLUMN_ORIGIN, m_originWidth);
    fitDataColumn();
}
