// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "recorder_clock.h"
#include "timer.h"

#include <QAbstractTableModel>

#include <functional>

// The recorder's timers as LSTT lists them, one row each: on, off or recording; the channel's
// number and name; the day and the times in the desktop's time; the file name with its folders.
// A line the window cannot read is shown as such, and no action ever takes it.
class TimerModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { StateColumn, ChannelColumn, WhenColumn, NameColumn, ColumnCount };
    // The longest part of an unreadable line that is shown.
    static constexpr qsizetype shownLength = 120;

    explicit TimerModel(QObject *parent = nullptr);

    // The lines of an LSTT reply, each the text after its code; none empties the list.
    void setLines(const QStringList &lines, const RecorderClock &clock);
    // Takes a timer as a change's reply gave it, in place of the one with its id or at the end.
    void put(const Timer &timer);
    void remove(int id);
    void clear() { setLines({}, m_clock); }
    // A readable timer's, by row or by id; none for an unreadable line or an id not listed.
    const Timer *timerAt(const QModelIndex &index) const;
    const Timer *timer(int id) const;
    // Whether a readable timer of the list meets the test; asked for every title a list paints.
    bool anyTimer(const std::function<bool(const Timer &)> &test) const;
    // The time a repeating timer's times are shown for.
    void setTimeOfDay(std::function<QDateTime()> now) { m_now = std::move(now); }
    // A channel's name to go with its number, once the list of channels is known.
    void setChannelNames(std::function<QString(int)> names);
    // The names may read differently now.
    void channelsChanged();
    // "Thu 11 Dec 20:13–21:55" ("Thu 20:13–21:55" without the date), or "Mondays to Fridays
    // 20:13–21:55" for a repeating timer.
    enum class Date : bool { Left, Shown };
    QString when(const Timer &timer, Date date = Date::Shown) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct Row
    {
        std::optional<Timer> timer;
        QString unreadable; // the start of a line that could not be read
    };
    QString shown(const Row &row, int column) const;

    QList<Row> m_rows;
    RecorderClock m_clock;
    std::function<QString(int)> m_channelName;
    std::function<QDateTime()> m_now = &QDateTime::currentDateTimeUtc;
};
