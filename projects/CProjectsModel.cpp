// SPDX-License-Identifier: MIT
#include "CProjectsModel.h"

#include <QSignalBlocker>

void CProjectsModel::ReplaceRows(const QList<QList<QStandardItem *>> &rows)
{
    beginResetModel();
    {
        // Inside a reset nobody may hear of single rows; the reset tells all at once.
        const QSignalBlocker blocker(this);
        removeRows(0, rowCount());
        for (const QList<QStandardItem *> &row : rows)
            appendRow(row);
    }
    endResetModel();
}

void CProjectsModel::SetTopLevelTexts(int column,
                                      const std::function<std::optional<QString>(int row)> &text)
{
    const int rows = rowCount();
    if (rows == 0 || column < 0 || column >= columnCount())
        return;
    {
        const QSignalBlocker blocker(this);
        for (int row = 0; row < rows; ++row) {
            QStandardItem *target = item(row, column);
            if (const std::optional<QString> value = text(row); value && target)
                target->setText(*value);
        }
    }
    Q_EMIT dataChanged(index(0, column), index(rows - 1, column), {Qt::DisplayRole});
}

void CProjectsFilterModel::SetFilterText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    invalidate();
}

bool CProjectsFilterModel::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    if (m_text.isEmpty())
        return true;
    const QAbstractItemModel *model = sourceModel();
    const int columns = model->columnCount(sourceParent);
    for (int column = 0; column < columns; ++column) {
        const QString shown = model->index(sourceRow, column, sourceParent).data().toString();
        if (shown.contains(m_text, Qt::CaseInsensitive))
            return true;
    }
    return false;
}
