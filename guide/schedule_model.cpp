// SPDX-License-Identifier: GPL-2.0-or-later
#include "schedule_model.h"

#include <QFont>
#include <QLocale>

using namespace Qt::StringLiterals;

void ScheduleModel::setChannel(int number)
{
    beginResetModel();
    m_channel = number;
    m_days.clear();
    m_count = 0;
    endResetModel();
}

void ScheduleModel::add(const Programme &programme)
{
    if (!programme.start.isValid())
        return;
    const QDate date = programme.start.toLocalTime().date();
    const auto day = std::lower_bound(m_days.begin(), m_days.end(), date,
                                      [](const Day &d, QDate when) { return d.date < when; });
    const int group = int(day - m_days.begin());
    if (day == m_days.end() || day->date != date) {
        beginInsertRows({}, group, group);
        m_days.insert(group, Day {date, {}});
        endInsertRows();
    }
    QList<Programme> &list = m_days[group].programmes;
    for (const Programme &listed : std::as_const(list)) {
        if (listed.start == programme.start
            || (programme.eventId && listed.eventId == programme.eventId))
            return;
    }
    const auto place = std::upper_bound(
        list.begin(), list.end(), programme.start,
        [](const QDateTime &when, const Programme &p) { return when < p.start; });
    const int row = int(place - list.begin());
    beginInsertRows(groupIndex(group), row, row);
    list.insert(row, programme);
    ++m_count;
    endInsertRows();
}

const Programme *ScheduleModel::programmeAt(const QModelIndex &index) const
{
    if (!index.isValid() || isGroup(index) || index.model() != this)
        return nullptr;
    return &m_days[groupOf(index)].programmes[index.row()];
}

const Programme *ScheduleModel::last() const
{
    return m_days.isEmpty() ? nullptr : &m_days.last().programmes.last();
}

void ScheduleModel::setNow(const QDateTime &now)
{
    m_now = now;
    everythingChanged();
}

void ScheduleModel::timersChanged()
{
    everythingChanged();
}

void ScheduleModel::everythingChanged()
{
    for (int group = 0; group < m_days.size(); ++group) {
        Q_EMIT dataChanged(groupIndex(group), groupIndex(group));
        if (!m_days[group].programmes.isEmpty())
            Q_EMIT dataChanged(
                itemIndex(group, 0),
                itemIndex(group, int(m_days[group].programmes.size()) - 1, ColumnCount - 1));
    }
}

QString ScheduleModel::dayName(QDate date) const
{
    const QDate today = m_now.toLocalTime().date();
    if (date == today)
        return u"Today"_s;
    if (date == today.addDays(1))
        return u"Tomorrow"_s;
    return QLocale().toString(date, QLocale::LongFormat);
}

bool ScheduleModel::isRunning(const Programme &programme) const
{
    return programme.start <= m_now && m_now < programme.end();
}

bool ScheduleModel::hasTimer(const Programme &programme) const
{
    return m_timerCheck && m_timerCheck(m_channel, programme);
}

int ScheduleModel::columnCount(const QModelIndex &) const
{
    return ColumnCount;
}

QVariant ScheduleModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    if (isGroup(index)) {
        if (index.column() != ProgrammeColumn)
            return {};
        if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
            return dayName(m_days[index.row()].date);
        if (role == Qt::FontRole) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return {};
    }
    const Programme &programme = *programmeAt(index);
    const bool first = index.column() == ProgrammeColumn;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        if (!first)
            return programme.shortText;
        const QString shown = u"%1 %2"_s.arg(
            QLocale::c().toString(programme.start.toLocalTime().time(), u"HH:mm"_s),
            programme.title);
        if (role == Qt::AccessibleTextRole)
            return programme.shortText.isEmpty() ? shown : shown + u", "_s + programme.shortText;
        return hasTimer(programme) ? shown + timerMark.toString() : shown;
    }
    case Qt::ToolTipRole:
        return programme.shortText.isEmpty() ? programme.title
                                             : programme.title + u'\n' + programme.shortText;
    case Qt::FontRole:
        if (isRunning(programme)) {
            QFont font;
            font.setBold(true);
            return font;
        }
        return {};
    case Qt::AccessibleDescriptionRole: {
        QStringList words;
        if (isRunning(programme))
            words << u"running now"_s;
        if (hasTimer(programme))
            words << u"timer set"_s;
        return words.join(u", "_s);
    }
    default:
        return {};
    }
}

Qt::ItemFlags ScheduleModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return isGroup(index) ? Qt::ItemIsEnabled : Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QVariant ScheduleModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == ProgrammeColumn ? u"Programme"_s : u"Episode"_s;
}
