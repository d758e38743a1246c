// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QSortFilterProxyModel>

class ChannelModel;

// The channels whose number, names, provider or title now hold the text typed, letters compared
// without case; a group shows while it holds one of them, and an empty group never.
class ChannelFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit ChannelFilter(ChannelModel *channels, QObject *parent = nullptr);

    void setText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    ChannelModel *m_channels;
    QString m_text;
};
