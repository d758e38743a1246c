// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_timers.h"

#include "command_lines.h"
#include "recorder_requests.h"

#include <QLocale>

using namespace Qt::StringLiterals;

namespace {

constexpr int replyOk = 250;

// "Timer 3 set: Krimi, Thu 20:13–21:55": the reply's line in words.
QString setWords(const Timer &timer, const TimerModel &model)
{
    return u"Timer %1 set: %2, %3"_s.arg(timer.id).arg(timer.shownFile(),
                                                       model.when(timer, TimerModel::Date::Left));
}

} // namespace

RecorderTimers::RecorderTimers(RecorderRequests &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleTime);
    connect(&m_settle, &QTimer::timeout, this, &RecorderTimers::refresh);
    connect(&link, &RecorderRequests::greeted, this,
            [this](const QString &, const QString &, const QString &clock) {
                m_clock = RecorderClock::fromGreeting(clock, m_now());
            });
    connect(&link, &RecorderRequests::connectionEnded, this, [this] {
        m_settle.stop();
        m_reading = m_readAgain = false;
        // Its ids mean nothing to the recorder's next run.
        m_model.setLines({}, m_clock);
        Q_EMIT changed();
    });
}

bool RecorderTimers::covers(int channel, const Programme &programme) const
{
    return m_model.anyTimer(
        [&](const Timer &timer) { return timer.covers(channel, programme, m_clock); });
}

void RecorderTimers::record(int channel, const Programme &programme)
{
    if (!m_link.isUp())
        return;
    if (covers(channel, programme)) {
        Q_EMIT answered(0, u"A timer is already set for %1"_s.arg(programme.title));
        return;
    }
    m_link.request(Svdrp::newTimerLine(timerSettings(channel, programme, m_margins, m_clock)), this,
                   [this, channel](const Reply &reply) { changeRead(reply, channel, false, 0); });
}

void RecorderTimers::toggle(int id)
{
    const Timer *timer = m_model.timer(id);
    if (!timer || !m_link.isUp())
        return;
    m_link.request(Svdrp::timerSwitchLine(id, !timer->isOn()), this,
                   [this, channel = timer->channel](const Reply &reply) {
                       changeRead(reply, channel, false, 0);
                   });
}

void RecorderTimers::remove(int id)
{
    if (!m_model.timer(id) || !m_link.isUp())
        return;
    m_link.request(Svdrp::deleteTimerLine(id), this,
                   [this, id](const Reply &reply) { changeRead(reply, 0, true, id); });
}

void RecorderTimers::changeRead(const Reply &reply, int channel, bool removing, int id)
{
    const QString text = reply.lines.value(reply.lines.size() - 1);
    QString words = text;
    if (reply.code == replyOk && removing) {
        m_model.remove(id);
    } else if (reply.code == replyOk) {
        // "250 3 1:S19.2E-1-1089-12003:2026-12-11:2013:2155:50:99:Krimi:": the timer as it is.
        if (std::optional<Timer> timer = Timer::parse(text)) {
            const Timer *before = m_model.timer(timer->id);
            timer->channel = channel;
            words = before ? u"Timer %1 %2"_s.arg(timer->id).arg(timer->isOn() ? u"on" : u"off")
                           : setWords(*timer, m_model);
            m_model.put(*timer);
        }
    }
    Q_EMIT changed();
    Q_EMIT answered(reply.code, words);
    refresh();
}

void RecorderTimers::noteRecordKey()
{
    if (m_link.isUp())
        m_settle.start();
}

void RecorderTimers::refresh()
{
    if (!m_link.isUp())
        return;
    if (m_reading) {
        m_readAgain = true;
        return;
    }
    m_reading = true;
    m_link.request(Svdrp::timerListLine(), this, [this](const Reply &reply) { listRead(reply); });
}

void RecorderTimers::listRead(const Reply &reply)
{
    m_reading = false;
    // "550 No timers defined" is an empty list; any other refusal leaves the list unread.
    m_model.setLines(reply.code == replyOk ? reply.lines : QStringList(), m_clock);
    Q_EMIT changed();
    if (std::exchange(m_readAgain, false))
        refresh();
}
