// SPDX-License-Identifier: GPL-2.0-or-later
#include "grouped_model.h"

QModelIndex GroupedModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return parent.isValid() ? itemIndex(parent.row(), row, column) : groupIndex(row, column);
}

QModelIndex GroupedModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || isGroup(child))
        return {};
    return groupIndex(groupOf(child));
}

int GroupedModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return groupCount();
    return isGroup(parent) && parent.column() == 0 ? itemCount(parent.row()) : 0;
}
