// SPDX-License-Identifier: GPL-2.0-or-later
#include "timer_model.h"

#include "shown_text.h"

#include <QLocale>

using namespace Qt::StringLiterals;

TimerModel::TimerModel(QObject *parent)
    : QAbstractTableModel(parent)
{ }

void TimerModel::setLines(const QStringList &lines, const RecorderClock &clock)
{
    beginResetModel();
    m_clock = clock;
    m_rows.clear();
    for (const QString &line : lines) {
        Row row {Timer::parse(line), {}};
        if (!row.timer)
            row.unreadable = shownText(QStringView(line).first(std::min(line.size(), shownLength)));
        m_rows.append(row);
    }
    endResetModel();
}

void TimerModel::put(const Timer &timer)
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].timer && m_rows[row].timer->id == timer.id) {
            m_rows[row].timer = timer;
            Q_EMIT dataChanged(index(row, 0), index(row, ColumnCount - 1));
            return;
        }
    }
    const int row = int(m_rows.size());
    beginInsertRows({}, row, row);
    m_rows.append({timer, {}});
    endInsertRows();
}

void TimerModel::remove(int id)
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_rows[row].timer && m_rows[row].timer->id == id) {
            beginRemoveRows({}, row, row);
            m_rows.removeAt(row);
            endRemoveRows();
            return;
        }
    }
}

const Timer *TimerModel::timerAt(const QModelIndex &index) const
{
    if (!index.isValid() || index.model() != this || index.row() >= m_rows.size())
        return nullptr;
    const auto &timer = m_rows[index.row()].timer;
    return timer ? &*timer : nullptr;
}

const Timer *TimerModel::timer(int id) const
{
    for (const Row &row : m_rows) {
        if (row.timer && row.timer->id == id)
            return &*row.timer;
    }
    return nullptr;
}

bool TimerModel::anyTimer(const std::function<bool(const Timer &)> &test) const
{
    return std::any_of(m_rows.cbegin(), m_rows.cend(),
                       [&](const Row &row) { return row.timer && test(*row.timer); });
}

void TimerModel::setChannelNames(std::function<QString(int)> names)
{
    m_channelName = std::move(names);
    channelsChanged();
}

void TimerModel::channelsChanged()
{
    if (!m_rows.isEmpty())
        Q_EMIT dataChanged(index(0, ChannelColumn), index(rowCount() - 1, ChannelColumn));
}

QString TimerModel::when(const Timer &timer, Date date) const
{
    const QLocale locale;
    const auto clockTime = [](const QDateTime &moment) {
        return QLocale::c().toString(moment.toLocalTime().time(), u"HH:mm"_s);
    };
    if (const auto span = timer.span(m_clock)) {
        const QDate day = span->first.toLocalTime().date();
        return u"%1 %2\u2013%3"_s.arg(
            locale.toString(day, date == Date::Shown ? u"ddd d MMM"_s : u"ddd"_s),
            clockTime(span->first), clockTime(span->second));
    }
    // A repeating timer's times, as they fall today.
    const QDate today = m_clock.toRecorder(m_now()).date();
    return u"%1 %2\u2013%3"_s.arg(timer.repeatWords(),
                                  clockTime(m_clock.fromRecorder(today, timer.start)),
                                  clockTime(m_clock.fromRecorder(today, timer.stop)));
}

QString TimerModel::shown(const Row &row, int column) const
{
    if (!row.timer) {
        if (column == StateColumn)
            return u"Unreadable"_s;
        return column == NameColumn ? row.unreadable : QString();
    }
    const Timer &timer = *row.timer;
    switch (column) {
    case StateColumn:
        return timer.isRecording() ? u"Recording"_s : timer.isOn() ? u"On"_s : u"Off"_s;
    case ChannelColumn: {
        if (!timer.channel)
            return timer.channelId;
        const QString name = m_channelName ? m_channelName(timer.channel) : QString();
        return name.isEmpty() ? QString::number(timer.channel)
                              : u"%1 %2"_s.arg(timer.channel).arg(name);
    }
    case WhenColumn:
        return when(timer);
    case NameColumn:
        return timer.shownFile();
    default:
        return {};
    }
}

int TimerModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int TimerModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TimerModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &row = m_rows[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return shown(row, index.column());
    case Qt::AccessibleTextRole:
        // The whole timer in one sentence, name first, for a reader that speaks one cell.
        if (index.column() == StateColumn && row.timer)
            return u"%1, %2, channel %3, %4"_s.arg(shown(row, NameColumn), shown(row, WhenColumn),
                                                   shown(row, ChannelColumn),
                                                   shown(row, StateColumn).toLower());
        return shown(row, index.column());
    default:
        return {};
    }
}

Qt::ItemFlags TimerModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return timerAt(index) ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled;
}

QVariant TimerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const QStringList names {u"State"_s, u"Channel"_s, u"When"_s, u"Name"_s};
    return names.value(section);
}
