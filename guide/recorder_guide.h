// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "byte_window.h"
#include "channel_model.h"
#include "programme.h"
#include "recorder_timers.h"
#include "schedule_walk.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>
#include <chrono>
#include <functional>
#include <optional>

class RecorderRequests;
struct Reply;

// What the program asks the recorder by itself, on the link's one connection: its channel list
// once per connection, its current channel, and what is on. Nothing is polled: the current
// channel is asked after the greeting, after a burst of keys that may have changed it, and when
// the window comes back to the front; the programmes when the channel changes, when a programme
// ends, and for the rows in view. VDR answers one line at a time, so the programmes asked for at
// once are kept few enough that a press behind them is answered promptly.
class RecorderGuide : public QObject
{
    Q_OBJECT

public:
    // After the last of a burst of keys, the channel is asked once this much later.
    static constexpr auto settleTime = std::chrono::milliseconds(1000);
    // The window coming to the front asks the channel at most once in this time.
    static constexpr auto activationInterval = std::chrono::milliseconds(5000);
    explicit RecorderGuide(RecorderRequests &link, QObject *parent = nullptr);

    ChannelModel *channels() { return &m_channels; }
    // The guide's replies outstanding at once, shared by every question it asks for a view.
    ByteWindow *window() { return &m_window; }
    // A channel's schedule, read as far as its view wants, and the recorder's timers.
    ScheduleWalk *schedule() { return &m_schedule; }
    RecorderTimers *timers() { return &m_timers; }

    struct Current
    {
        int number = 0; // 0 while the recorder has not named one
        QString name;
        std::optional<Programme> now, next;
        bool noData = false; // the recorder has no programmes for it
    };
    const Current &current() const { return m_current; }

    // A key that may change the channel was pressed (digits, arrows, Ok, Back, Prev/Next...).
    void noteChannelKey();
    // The current channel and the timers are asked again.
    void windowActivated();
    // The channels now in view, in the order shown; their titles are asked where not known.
    void showRows(const QList<int> &numbers);
    // Only tests shorten the clocks, and set the time of day programmes are measured against.
    void setClocks(std::chrono::milliseconds settle, std::chrono::milliseconds activation)
    {
        m_settle.setInterval(settle);
        m_activationInterval = activation;
        m_timers.setSettle(settle);
    }
    void setTimeOfDay(std::function<QDateTime()> now)
    {
        m_now = now;
        m_schedule.setTimeOfDay(now);
        m_timers.setTimeOfDay(std::move(now));
    }

Q_SIGNALS:
    // The list was read anew (or emptied, when the connection ended).
    void listChanged();
    // The current channel, or what is on it, changed.
    void currentChanged();

private:
    void start();
    void stop();
    void listRead(const Reply &reply, bool groups);
    void askCurrent();
    void takeChannel(int code, const QString &text);
    void askProgrammes();
    void programmeRead(int number, bool next, const Reply &reply);
    void askRows();
    void rowRead(int number, qsizetype taken, const Reply &reply);

    qint64 msecsUntil(const QDateTime &when) const { return m_now().msecsTo(when); }

    RecorderRequests &m_link;
    std::function<QDateTime()> m_now = &QDateTime::currentDateTimeUtc;
    ChannelModel m_channels;
    ByteWindow m_window;
    ScheduleWalk m_schedule;
    RecorderTimers m_timers;
    Current m_current;
    QString m_version;
    QTimer m_settle;
    QTimer m_programmeEnds;
    QTimer m_rowsExpire;
    std::chrono::milliseconds m_activationInterval = activationInterval;
    QElapsedTimer m_lastActivationAsk;
    // Rows in view, and what is known of their programmes now: until when the title holds.
    QList<int> m_rows;
    QHash<int, QDateTime> m_rowValidUntil;
    QSet<int> m_rowsAsked;
    // The largest reply to a row's question so far on this connection, at least this.
    static constexpr qsizetype smallestRowReply = 1024;
    qsizetype m_rowReplyEstimate = smallestRowReply;
};
