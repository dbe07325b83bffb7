// SPDX-License-Identifier: MIT
#pragma once

#include <QList>
#include <QSortFilterProxyModel>
#include <QStandardItemModel>

#include <functional>
#include <optional>

// The projects tree's item model. Changes touching every device row reach the proxy and the
// view in one signal: view and proxy answer a signal per row with work that grows with the
// tree, which makes a folder of a thousand devices take seconds otherwise.
class CProjectsModel : public QStandardItemModel
{
public:
    using QStandardItemModel::QStandardItemModel;

    // Replaces all rows in one model reset; takes ownership of the items.
    void ReplaceRows(const QList<QList<QStandardItem *>> &rows);
    // Sets the text of `column` in every top-level row for which `text` gives one, as one
    // change of data.
    void SetTopLevelTexts(int column, const std::function<std::optional<QString>(int row)> &text);
};

// The filter between the model and the tree: a row passes when the text occurs, ignoring
// case, in the display text of any column. A new text is applied as one layout change,
// where the stock fixed-string filter removes and inserts rows range by range.
class CProjectsFilterModel : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    QString FilterText() const { return m_text; }
    void SetFilterText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
};
