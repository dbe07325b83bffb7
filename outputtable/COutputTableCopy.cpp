// SPDX-License-Identifier: MIT
// Copying selected rows in the three forms, and the table's context menu.
#include "COutputTable.h"
#include "OutputTableColumns.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

void COutputTable::setupCopy()
{
    QTableWidget *table = m_ui.table;
    m_saveAsSequence = new QAction(tr("Save as Sequence..."), this);
    m_saveAsSequence->setObjectName(u"actionSaveAsSequence"_s);
    connect(m_saveAsSequence, &QAction::triggered, this, &COutputTable::onSaveAsSequence);
    const QList<QAction *> copyActions = {m_ui.copyReport, m_ui.copyData, m_ui.copyDataAsShown};
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    table->addActions(copyActions);
    connect(table, &QWidget::customContextMenuRequested, this, &COutputTable::onContextMenu);

    connect(m_ui.copyReport, &QAction::triggered, this, [this] { Copy(ETableCopy::Report); });
    connect(m_ui.copyData, &QAction::triggered, this, [this] { Copy(ETableCopy::Data); });
    connect(m_ui.copyDataAsShown, &QAction::triggered, this,
            [this] { Copy(ETableCopy::DataAsShown); });
    // The copy actions, and so their shortcuts, follow the selection, not only while
    // the context menu is open.
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &COutputTable::updateCopyActions);
    updateCopyActions();
}

void COutputTable::updateCopyActions()
{
    const bool selected = m_ui.table->selectionModel()->hasSelection();
    for (QAction *action : {m_ui.copyReport, m_ui.copyData, m_ui.copyDataAsShown, m_saveAsSequence})
        action->setEnabled(selected);
}

QList<int> COutputTable::selectedRows() const
{
    QList<int> indexes;
    for (const QItemSelectionRange &range : m_ui.table->selectionModel()->selection()) {
        for (int index = range.top(); index <= range.bottom(); ++index)
            indexes << index;
    }
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

void COutputTable::Copy(ETableCopy mode)
{
    const QList<int> indexes = selectedRows();
    if (indexes.isEmpty())
        return;
    const QList<TableCopy::SRow> selected = rows(indexes);

    QString text;
    switch (mode) {
    case ETableCopy::Report:
        text = m_ui.table->isColumnHidden(COLUMN_TIME) ? TableCopy::report(selected)
                                                       : TableCopy::reportWithTime(selected);
        break;
    case ETableCopy::Data:
        text = TableCopy::data(selected);
        break;
    case ETableCopy::DataAsShown:
        text = TableCopy::dataAsShown(selected);
        break;
    }
    QGuiApplication::clipboard()->setText(text);
    Q_EMIT statusMessage(tr("%n row(s) copied", nullptr, int(selected.size())));
}

void COutputTable::onContextMenu(const QPoint &pos)
{
    QTableWidget *table = m_ui.table;
    updateCopyActions();
    m_ui.clear->setEnabled(table->rowCount() > 0);

    QMenu menu(table);
    menu.addActions({m_ui.copyReport, m_ui.copyData, m_ui.copyDataAsShown});
    menu.addSeparator();
    menu.addActions({m_ui.clear, m_ui.undoClear});
    menu.addSeparator();
    menu.addAction(m_saveAsSequence);
    menu.exec(table->viewport()->mapToGlobal(pos));
    // The clear action also sits in the tool bar, where it is always available.
    m_ui.clear->setEnabled(true);
}
