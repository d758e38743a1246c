// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractItemModel>

// A list in groups: the rows at the top are the groups, each holding items of its own, and
// items hold nothing. A subclass says how many there are and what they show.
class GroupedModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    using QAbstractItemModel::QAbstractItemModel;

    QModelIndex index(int row, int column, const QModelIndex &parent = {}) const override;
    QModelIndex parent(const QModelIndex &child) const override;
    int rowCount(const QModelIndex &parent = {}) const override;

protected:
    virtual int groupCount() const = 0;
    virtual int itemCount(int group) const = 0;

    static bool isGroup(const QModelIndex &index) { return index.isValid() && !index.internalId(); }
    // The group an item is in, or -1 for a group's own row.
    static int groupOf(const QModelIndex &index) { return int(index.internalId()) - 1; }
    QModelIndex groupIndex(int group, int column = 0) const
    {
        return createIndex(group, column, quintptr(0));
    }
    QModelIndex itemIndex(int group, int item, int column = 0) const
    {
        return createIndex(item, column, quintptr(group) + 1);
    }
};
