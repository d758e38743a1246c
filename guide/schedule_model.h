// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "grouped_model.h"
#include "programme.h"

#include <QDate>
#include <QDateTime>

// One channel's programmes by day in the desktop's time: "Today", "Tomorrow", then the weekday
// and date as the desktop's language writes them. Column 0 reads "HH:MM Title", with a mark
// where a timer records it; column 1 the short text. The programme running now is bold.
class ScheduleModel : public GroupedModel
{
    Q_OBJECT

public:
    enum Column { ProgrammeColumn, ShortTextColumn, ColumnCount };

    using GroupedModel::GroupedModel;

    // Empties the list for that channel's programmes; 0 for none.
    void setChannel(int number);
    int channel() const { return m_channel; }
    // Places a programme by its start; one already listed (the same event or start) stays.
    void add(const Programme &programme);
    int programmeCount() const { return m_count; }
    // The programme a row shows; none for a day's row.
    const Programme *programmeAt(const QModelIndex &index) const;
    // The last programme listed, by start.
    const Programme *last() const;

    // The time the running mark and the day names are measured against.
    void setNow(const QDateTime &now);
    void setTimerCheck(TimerCheck check) { m_timerCheck = std::move(check); }
    // The recorder's timers changed: the marks are looked at again.
    void timersChanged();

    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

protected:
    int groupCount() const override { return int(m_days.size()); }
    int itemCount(int group) const override { return int(m_days[group].programmes.size()); }

private:
    struct Day
    {
        QDate date; // in the desktop's time
        QList<Programme> programmes;
    };
    QString dayName(QDate date) const;
    bool isRunning(const Programme &programme) const;
    bool hasTimer(const Programme &programme) const;
    void everythingChanged();

    QList<Day> m_days;
    int m_channel = 0;
    int m_count = 0;
    QDateTime m_now = QDateTime::currentDateTimeUtc();
    TimerCheck m_timerCheck;
};
