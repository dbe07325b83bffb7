// SPDX-License-Identifier: MIT
#include "ScanPanel.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPalette>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int ADDRESS_ROLE = Qt::UserRole;
constexpr int FOUND_ROLE = Qt::UserRole + 1;

} // namespace

ScanPanel::ScanPanel(QWidget *parent)
    : QWidget(parent)
    , m_table(new QTableWidget(ScanCells::ROWS, ScanCells::COLUMNS, this))
    , m_scan(new QPushButton(tr("Scan"), this))
    , m_identify(new QPushButton(tr("Identify"), this))
{
    m_table->setObjectName(u"table_scan"_s);
    m_scan->setObjectName(u"btn_scan"_s);
    m_identify->setObjectName(u"btn_scan_identify"_s);
    m_identify->setToolTip(tr("Reads the ID registers of the parts that can sit at each found "
                              "address and names the one that matches"));
    m_identify->setEnabled(false);

    QStringList columns;
    for (int column = 0; column < ScanCells::COLUMNS; ++column)
        columns.append(QString::number(column, 16).toUpper());
    QStringList rows;
    for (int row = 0; row < ScanCells::ROWS; ++row)
        rows.append(u"%1"_s.arg(row * ScanCells::COLUMNS, 2, 16, QChar(u'0')).toUpper());
    m_table->setHorizontalHeaderLabels(columns);
    m_table->setVerticalHeaderLabels(rows);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideRight);
    // Two lines in each of sixteen columns: a little smaller than the window's text.
    QFont font = m_table->font();
    font.setPointSizeF(font.pointSizeF() * 0.9);
    m_table->setFont(font);
    // The sixteen columns share the dock's width, as a grid should; the tool tip has it all.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_table->horizontalHeader()->setMinimumSectionSize(24);
    // Every row holds two lines; a fixed height spares measuring each cell on every change.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(2 * QFontMetrics(font).lineSpacing() + 6);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int address = 0; address < ScanCells::ROWS * ScanCells::COLUMNS; ++address) {
        auto *item = new QTableWidgetItem;
        item->setData(ADDRESS_ROLE, address);
        item->setTextAlignment(Qt::AlignCenter);
        m_table->setItem(address / ScanCells::COLUMNS, address % ScanCells::COLUMNS, item);
    }

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_scan);
    buttons->addWidget(m_identify);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
    layout->addWidget(m_table);

    connect(m_scan, &QPushButton::clicked, this, &ScanPanel::scanRequested);
    connect(m_identify, &QPushButton::clicked, this, &ScanPanel::identifyRequested);
    connect(m_table, &QWidget::customContextMenuRequested, this, &ScanPanel::onContextMenu);
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this](int row, int column) {
        const QTableWidgetItem *item = m_table->item(row, column);
        if (item != nullptr && item->data(FOUND_ROLE).toBool())
            Q_EMIT useAddressRequested(std::uint8_t(item->data(ADDRESS_ROLE).toInt()));
    });
}

void ScanPanel::showCells(const std::vector<SScanCell> &cells)
{
    // One repaint for the whole grid, however many cells change.
    m_table->setUpdatesEnabled(false);
    const QPalette palette = m_table->palette();
    const QBrush greyed = palette.brush(QPalette::Disabled, QPalette::Text);
    const QBrush found = palette.brush(QPalette::Active, QPalette::Highlight);
    for (int address = 0; address < int(cells.size()); ++address) {
        const SScanCell &cell = cells[std::size_t(address)];
        QTableWidgetItem *item =
            m_table->item(address / ScanCells::COLUMNS, address % ScanCells::COLUMNS);
        item->setText(cell.text);
        item->setToolTip(cell.toolTip);
        item->setData(Qt::ForegroundRole, cell.reserved ? QVariant(greyed) : QVariant());
        const bool isFound = cell.state == SScanCell::EState::Found;
        item->setData(FOUND_ROLE, isFound);
        item->setData(Qt::BackgroundRole,
                      isFound ? QVariant(QBrush(found.color().lighter(170))) : QVariant());
        Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        if (cell.reserved && !isFound)
            flags &= ~Qt::ItemIsEnabled;
        item->setFlags(flags);
    }
    m_table->setUpdatesEnabled(true);
}

void ScanPanel::setIdentifyEnabled(bool enabled)
{
    m_identify->setEnabled(enabled);
}

void ScanPanel::onContextMenu(const QPoint &pos)
{
    const QTableWidgetItem *item = m_table->itemAt(pos);
    if (item == nullptr || !item->data(FOUND_ROLE).toBool())
        return;
    const auto address = std::uint8_t(item->data(ADDRESS_ROLE).toInt());
    QMenu menu(this);
    menu.addAction(tr("Use Address"), this,
                   [this, address] { Q_EMIT useAddressRequested(address); });
    menu.addAction(tr("Add to Projects..."), this,
                   [this, address] { Q_EMIT addToProjectsRequested(address); });
    menu.addAction(tr("Show Registers"), this,
                   [this, address] { Q_EMIT showRegistersRequested(address); });
    menu.addSeparator();
    menu.addAction(tr("Allow Identify to Send Any Byte..."), this,
                   [this, address] { Q_EMIT allowAnyByteRequested(address); });
    menu.exec(m_table->viewport()->mapToGlobal(pos));
}
