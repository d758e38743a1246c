// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "schedule_model.h"

#include <QObject>
#include <QTimer>

#include <functional>

class ByteWindow;
class RecorderRequests;
struct Reply;

// A channel's schedule, read a programme at a time: VDR writes a whole "LSTE <n>" reply (a week
// is hundreds of KB) before it reads the next command, so a press would wait behind it. Instead
// "LSTE <n> at <t>" names the programme running at t, and asking at its end gives the next one.
// Where the recorder has no programme (a gap in its data), the walk steps ahead in growing
// steps, then narrows back to the first programme after the gap; a day without any ends the
// walk. It reads only as far as the view wants, within the guide's byte window.
class ScheduleWalk : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 firstGapStep = 60; // seconds; also how finely a gap's end is found
    static constexpr qint64 largestGapStep = 3600;
    static constexpr qint64 emptyDay = 24 * 3600;
    // A recorder that never stops naming programmes is not followed beyond this.
    static constexpr int mostProgrammes = 5000;

    ScheduleWalk(RecorderRequests &link, ByteWindow &window, QObject *parent = nullptr);

    ScheduleModel *model() { return &m_model; }
    // Shows that channel's programmes from now on; 0 for none.
    void show(int channel);
    // The view wants this many programmes listed (those scrolled past and a screen more).
    void setWanted(int programmes);
    // Whether the recorder's data for the channel has been read to its end.
    bool isDone() const { return m_done; }
    void setTimeOfDay(std::function<QDateTime()> now) { m_now = std::move(now); }

Q_SIGNALS:
    void finished();

private:
    void restart();
    void ask();
    void read(int generation, qint64 at, qsizetype taken, const Reply &reply);
    void found(const Programme &programme, qint64 at);
    void empty(qint64 at);
    void narrow();
    void accept(const Programme &programme);
    void finish();
    void markRunning();

    RecorderRequests &m_link;
    ByteWindow &m_window;
    ScheduleModel m_model;
    std::function<QDateTime()> m_now = &QDateTime::currentDateTimeUtc;
    QTimer m_runningEnds;

    int m_channel = 0;
    int m_wanted = 0;
    int m_generation = 0; // replies for an earlier channel or connection are passed over
    bool m_asking = false;
    bool m_done = true;
    qint64 m_at = 0; // the next time asked, in seconds since 1970
    // In a gap: the last time known to have no programme, and the step beyond it.
    std::optional<qint64> m_emptySince, m_lastEmpty;
    qint64 m_gapStep = firstGapStep;
    // Found after a gap; earlier ones are looked for between the gap and it.
    std::optional<Programme> m_candidate;
    static constexpr qsizetype smallestReply = 1024;
    qsizetype m_replyEstimate = smallestReply;
};
