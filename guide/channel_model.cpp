// SPDX-License-Identifier: GPL-2.0-or-later
#include "channel_model.h"

#include "channel_line.h"

#include <QFont>

using namespace Qt::StringLiterals;

namespace {

// A child's internal id is its group's row at the top plus one; a row at the top has none.
constexpr quintptr topLevel = 0;

} // namespace

ChannelModel::ChannelModel(QObject *parent)
    : QAbstractItemModel(parent)
{ }

void ChannelModel::setChannels(const QStringList &lines)
{
    beginResetModel();
    m_channels.clear();
    m_top.clear();
    m_byNumber.clear();
    int group = -1; // the group at the top that takes the channels that follow
    int left = 0;
    for (const QString &text : lines) {
        const ChannelLine line = ChannelLine::parse(text);
        if (line.kind == ChannelLine::Kind::Group && !line.name.isEmpty()) {
            group = int(m_top.size());
            m_top.append({Top::Kind::Group, line.name, {}});
        } else if (line.kind == ChannelLine::Kind::Channel && !m_byNumber.contains(line.number)) {
            if (m_channels.size() == maxChannels) {
                ++left;
                continue;
            }
            const int at = int(m_channels.size());
            if (group < 0)
                m_top.append({Top::Kind::Channel, {}, {at}});
            Top &parent = group < 0 ? m_top.last() : m_top[group];
            m_channels.append({line.number,
                               line.name,
                               line.shortName,
                               line.provider,
                               {},
                               int(&parent - m_top.data()),
                               group < 0 ? 0 : int(parent.channels.size())});
            if (group >= 0)
                parent.channels.append(at);
            m_byNumber.insert(line.number, at);
        }
    }
    if (left > 0)
        m_top.append({Top::Kind::Note, u"%1 more channels are not listed"_s.arg(left), {}});
    endResetModel();
}

void ChannelModel::clear()
{
    setChannels({});
    m_current = 0;
}

QModelIndex ChannelModel::indexOf(int number, int column) const
{
    const auto at = m_byNumber.constFind(number);
    if (at == m_byNumber.cend())
        return {};
    const Channel &channel = m_channels[*at];
    const bool grouped = m_top[channel.top].kind == Top::Kind::Group;
    return grouped ? createIndex(channel.row, column, quintptr(channel.top) + 1)
                   : createIndex(channel.top, column, topLevel);
}

void ChannelModel::setNow(int number, const std::optional<Programme> &now)
{
    const auto at = m_byNumber.constFind(number);
    if (at == m_byNumber.cend())
        return;
    m_channels[*at].now = now;
    const QModelIndex changed = indexOf(number, NowColumn);
    Q_EMIT dataChanged(changed, changed);
}

void ChannelModel::setCurrent(int number)
{
    const int was = std::exchange(m_current, number);
    for (const int changed : {was, number}) {
        if (const QModelIndex index = indexOf(changed); index.isValid())
            Q_EMIT dataChanged(index, index, {Qt::FontRole, Qt::AccessibleDescriptionRole});
    }
}

bool ChannelModel::matches(const QModelIndex &index, QStringView text) const
{
    const Channel *channel = channelAt(index);
    if (!channel)
        return false;
    const auto has = [text](QStringView field) {
        return field.contains(text, Qt::CaseInsensitive);
    };
    return has(QString::number(channel->number)) || has(channel->name) || has(channel->shortName)
        || has(channel->provider) || (channel->now && has(channel->now->title));
}

const ChannelModel::Channel *ChannelModel::channelAt(const QModelIndex &index) const
{
    if (!index.isValid())
        return nullptr;
    if (index.internalId() == topLevel) {
        const Top &top = m_top[index.row()];
        return top.kind == Top::Kind::Channel ? &m_channels[top.channels.first()] : nullptr;
    }
    return &m_channels[m_top[int(index.internalId() - 1)].channels[index.row()]];
}

QModelIndex ChannelModel::index(int row, int column, const QModelIndex &parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    return createIndex(row, column, parent.isValid() ? quintptr(parent.row() + 1) : topLevel);
}

QModelIndex ChannelModel::parent(const QModelIndex &child) const
{
    if (!child.isValid() || child.internalId() == topLevel)
        return {};
    return createIndex(int(child.internalId() - 1), 0, topLevel);
}

int ChannelModel::rowCount(const QModelIndex &parent) const
{
    if (!parent.isValid())
        return int(m_top.size());
    if (parent.internalId() != topLevel || parent.column() != 0)
        return 0;
    const Top &top = m_top[parent.row()];
    return top.kind == Top::Kind::Group ? int(top.channels.size()) : 0;
}

int ChannelModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant ChannelModel::data(const QModelIndex &index, int role) const
{
    const Channel *channel = channelAt(index);
    if (!channel) {
        if (!index.isValid() || index.column() != NameColumn)
            return {};
        const Top &top = m_top[index.row()];
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return top.text;
        if (role == Qt::FontRole && top.kind == Top::Kind::Group) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    }
    const bool now = index.column() == NowColumn;
    switch (role) {
    case Qt::DisplayRole:
        if (!now)
            return u"%1 %2"_s.arg(channel->number).arg(channel->name);
        if (!channel->now)
            return QString();
        return hasTimer(*channel) ? channel->now->title + timerMark.toString()
                                  : channel->now->title;
    case Qt::ToolTipRole:
        // The title in full, as the narrow column may cut it, and the episode under it.
        if (now) {
            if (!channel->now)
                return QString();
            const Programme &programme = *channel->now;
            return programme.shortText.isEmpty() ? programme.title
                                                 : programme.title + u'\n' + programme.shortText;
        }
        return channel->provider.isEmpty() ? channel->name
                                           : u"%1 (%2)"_s.arg(channel->name, channel->provider);
    case Qt::FontRole:
        if (channel->number == m_current) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::AccessibleDescriptionRole:
        if (now)
            return hasTimer(*channel) ? u"timer set"_s : QString();
        return channel->number == m_current ? u"current channel"_s : QString();
    case NumberRole:
        return channel->number;
    default:
        return {};
    }
}

QString ChannelModel::name(int number) const
{
    const auto at = m_byNumber.constFind(number);
    return at == m_byNumber.cend() ? QString() : m_channels[*at].name;
}

bool ChannelModel::hasTimer(const Channel &channel) const
{
    return channel.now && m_timerCheck && m_timerCheck(channel.number, *channel.now);
}

void ChannelModel::timersChanged()
{
    for (const Channel &channel : std::as_const(m_channels)) {
        if (channel.now) {
            const QModelIndex now = indexOf(channel.number, NowColumn);
            Q_EMIT dataChanged(now, now, {Qt::DisplayRole, Qt::AccessibleDescriptionRole});
        }
    }
}

Qt::ItemFlags ChannelModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Group lines and the note are headers: seen, never chosen.
    return channelAt(index) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled;
}
