// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "recorder_clock.h"
#include "timer.h"
#include "timer_model.h"

#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>

class RecorderRequests;
struct Reply;

// The recorder's timers, and the window's changes to them. VDR numbers its timers anew each time
// it starts, so the list is read after every connection and forgotten when it ends, and an
// action only ever takes an id from the list read over the connection that is up. The list is
// read again after each change, after the handset's Record key (once the keys settle), and when
// the window comes back to the front.
class RecorderTimers : public QObject
{
    Q_OBJECT

public:
    static constexpr auto settleTime = std::chrono::milliseconds(1000);

    explicit RecorderTimers(RecorderRequests &link, QObject *parent = nullptr);

    TimerModel *model() { return &m_model; }
    const RecorderClock &clock() const { return m_clock; }
    void setMargins(Margins margins) { m_margins = margins; }
    Margins margins() const { return m_margins; }

    // Whether a timer of the list records the whole programme on that channel.
    bool covers(int channel, const Programme &programme) const;
    // NEWT for the programme with the margins; a programme already covered is refused.
    void record(int channel, const Programme &programme);
    // MODT <id> on|off and DELT <id>, for a timer of the current list only.
    void toggle(int id);
    void remove(int id);

    // Reads the list anew; one reading at a time, and one more for changes meanwhile.
    void refresh();
    void noteRecordKey();

    // Only tests shorten the clock and set the time the greeting's date is read against.
    void setSettle(std::chrono::milliseconds settle) { m_settle.setInterval(settle); }
    void setTimeOfDay(std::function<QDateTime()> now)
    {
        m_model.setTimeOfDay(now);
        m_now = std::move(now);
    }

Q_SIGNALS:
    // For the answer line: the reply's code and its words.
    void answered(int code, const QString &text);
    // The list, or one of its timers, changed.
    void changed();

private:
    void listRead(const Reply &reply);
    void changeRead(const Reply &reply, int channel, bool removing, int id);

    RecorderRequests &m_link;
    TimerModel m_model;
    RecorderClock m_clock;
    Margins m_margins;
    std::function<QDateTime()> m_now = &QDateTime::currentDateTimeUtc;
    QTimer m_settle;
    bool m_reading = false; // an LSTT is outstanding
    bool m_readAgain = false; // and a change came after it was sent
};
