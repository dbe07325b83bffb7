// SPDX-License-Identifier: MIT
// The table's geometry: row heights from line counts, the Time, Type and Flags columns
// grown from each new row, and the Data column as wide as its longest line.
#include "COutputTable.h"
#include "OutputTableColumns.h"
#include "outputcelldelegate.h"

#include <QHeaderView>
#include <QTableWidget>

#include <algorithm>

namespace {

// A reason longer than this many characters would push the Data column out of view.
constexpr int FLAGS_MAX_CHARS = 24;
// A write/read of many bytes names them all in its type; past this the cell elides.
constexpr int TYPE_MAX_CHARS = 48;

QStringView longestLine(QStringView text)
{
    QStringView longest;
    for (const QStringView line : text.tokenize(u'\n')) {
        if (line.size() > longest.size())
            longest = line;
    }
    return longest;
}

} // namespace

OutputCellDelegate *COutputTable::cellDelegate() const
{
    return static_cast<OutputCellDelegate *>(m_ui.table->itemDelegate());
}

int COutputTable::gridWidth() const
{
    return m_ui.table->showGrid() ? 1 : 0;
}

void COutputTable::sizeRow(int index, qsizetype lines)
{
    QTableWidget *table = m_ui.table;
    const int height = std::max(OutputCellDelegate::textHeight(1, table->font()),
                                OutputCellDelegate::textHeight(lines, cellDelegate()->fixedFont()));
    const QHeaderView *header = table->verticalHeader();
    table->setRowHeight(index, std::clamp(height + gridWidth(), header->minimumSectionSize(),
                                          header->maximumSectionSize()));
}

void COutputTable::fitColumns(const QString &time, const QString &origin, const QString &type,
                              const QString &flags)
{
    QTableWidget *table = m_ui.table;
    QHeaderView *header = table->horizontalHeader();
    const QFont &fixed = cellDelegate()->fixedFont();
    const auto fit = [&](int column, int width) {
        if (width > header->sectionSize(column))
            header->resizeSection(column, width);
    };
    const auto widthOf = [&](const QString &text, const QFont &font) {
        return cellDelegate()->cellWidth(text, font, table) + gridWidth();
    };
    // Every time text differs; in the fixed-pitch font only its length matters, and
    // measuring that many digits keeps the delegate's cache of laid-out lines small.
    m_timeWidth = std::max(m_timeWidth, widthOf(QString(time.size(), u'0'), fixed));
    // A hidden section reports no width; it gets the widest time when it is shown.
    if (!header->isSectionHidden(COLUMN_TIME))
        fit(COLUMN_TIME, m_timeWidth);
    if (!origin.isEmpty())
        m_originWidth = std::max(m_originWidth, widthOf(origin, table->font()));
    if (!header->isSectionHidden(COLUMN_ORIGIN))
        fit(COLUMN_ORIGIN, m_originWidth);
    fit(COLUMN_TYPE, std::min(widthOf(type, table->font()), typeWidthLimit()));
    fit(COLUMN_FLAGS, std::min(widthOf(flags, fixed), flagsWidthLimit()));
}

int COutputTable::flagsWidthLimit() const
{
    return cellDelegate()->cellWidth(QString(FLAGS_MAX_CHARS, u'0'), cellDelegate()->fixedFont(),
                                     m_ui.table) +
           gridWidth();
}

int COutputTable::typeWidthLimit() const
{
    return cellDelegate()->cellWidth(QString(TYPE_MAX_CHARS, u'0'), m_ui.table->font(),
                                     m_ui.table) +
           gridWidth();
}

// Takes note of the longest line of a Data text just placed; only a longer one than
// all before is measured.
void COutputTable::noteDataLines(const QString &text)
{
    const QStringView longest = longestLine(text);
    if (longest.size() <= m_widestDataChars)
        return;
    m_widestDataChars = longest.size();
    m_dataWidth =
        cellDelegate()->cellWidth(longest.toString(), cellDelegate()->fixedFont(), m_ui.table) +
        gridWidth();
}

// The Data column fills the rest of the view, as the last section stretches; when its
// longest line needs more, it takes that width and the view scrolls sideways instead.
void COutputTable::fitDataColumn()
{
    QTableWidget *table = m_ui.table;
    QHeaderView *header = table->horizontalHeader();
    int others = 0;
    for (const int column : {COLUMN_TIME, COLUMN_ORIGIN, COLUMN_TYPE, COLUMN_FLAGS}) {
        if (!header->isSectionHidden(column))
            others += header->sectionSize(column);
    }
    const bool fits = m_dataWidth <= std::max(table->viewport()->width() - others, 0);
    if (fits == header->stretchLastSection()) {
        if (!fits && header->sectionSize(COLUMN_DATA) != m_dataWidth)
            header->resizeSection(COLUMN_DATA, m_dataWidth);
        return;
    }
    if (fits) {
        // A stretched last section never gets narrower than it was when the stretching
        // began, so it starts from a width that fits.
        header->resizeSection(COLUMN_DATA, header->minimumSectionSize());
        header->setStretchLastSection(true);
    } else {
        header->setStretchLastSection(false);
        header->resizeSection(COLUMN_DATA, m_dataWidth);
    }
}

void COutputTable::resetColumns()
{
    QHeaderView *header = m_ui.table->horizontalHeader();
    for (const int column : {COLUMN_TIME, COLUMN_ORIGIN, COLUMN_TYPE, COLUMN_FLAGS})
        header->resizeSection(column, header->sectionSizeHint(column));
    m_timeWidth = 0;
    m_originWidth = 0;
    m_widestDataChars = 0;
    m_dataWidth = 0;
    fitDataColumn();
}
