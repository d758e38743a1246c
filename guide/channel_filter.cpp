// SPDX-License-Identifier: GPL-2.0-or-later
#include "channel_filter.h"

#include "channel_model.h"

ChannelFilter::ChannelFilter(ChannelModel *channels, QObject *parent)
    : QSortFilterProxyModel(parent)
    , m_channels(channels)
{
    // A group is shown for the channels it holds, never for its own name.
    setRecursiveFilteringEnabled(true);
    setSourceModel(channels);
}

void ChannelFilter::setText(const QString &text)
{
    if (text == m_text)
        return;
    // Views start afresh rather than take a signal for each row that comes or goes: a keystroke
    // may hide thousands of scattered rows, and a tree view lays itself out again for each.
    beginResetModel();
    m_text = text;
    endResetModel();
}

bool ChannelFilter::filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const
{
    const QModelIndex index = m_channels->index(sourceRow, 0, sourceParent);
    if (m_channels->data(index, ChannelModel::NumberRole).toInt() > 0)
        return m_channels->matches(index, m_text);
    // The note on a cut list stays; a group waits for its channels.
    return m_channels->isNote(index);
}
