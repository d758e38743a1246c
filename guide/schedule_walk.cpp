// SPDX-License-Identifier: GPL-2.0-or-later
#include "schedule_walk.h"

#include "byte_window.h"
#include "command_lines.h"
#include "recorder_requests.h"

namespace {

constexpr int epgData = 215;
constexpr int notFound = 550;

} // namespace

ScheduleWalk::ScheduleWalk(RecorderRequests &link, ByteWindow &window, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_window(window)
{
    m_runningEnds.setSingleShot(true);
    m_runningEnds.setTimerType(Qt::PreciseTimer);
    connect(&m_runningEnds, &QTimer::timeout, this, &ScheduleWalk::markRunning);
    connect(&window, &ByteWindow::freed, this, &ScheduleWalk::ask);
    connect(&link, &RecorderRequests::connectionUp, this, &ScheduleWalk::restart);
    connect(&link, &RecorderRequests::connectionEnded, this, [this] {
        ++m_generation;
        m_asking = false;
        m_model.setChannel(m_channel);
    });
}

void ScheduleWalk::show(int channel)
{
    // The same channel again goes on where it is; one read to an empty end is tried afresh.
    if (channel == m_channel && (m_asking || m_model.programmeCount() > 0))
        return;
    m_channel = channel;
    restart();
}

void ScheduleWalk::setWanted(int programmes)
{
    m_wanted = programmes;
    ask();
}

void ScheduleWalk::restart()
{
    ++m_generation;
    m_asking = false;
    m_model.setChannel(m_channel);
    m_done = m_channel <= 0;
    m_emptySince.reset();
    m_lastEmpty.reset();
    m_candidate.reset();
    m_gapStep = firstGapStep;
    m_at = m_now().toSecsSinceEpoch();
    markRunning();
    ask();
}

void ScheduleWalk::ask()
{
    if (m_asking || m_done || !m_link.isUp() || m_model.programmeCount() >= m_wanted
        || !m_window.fits(m_replyEstimate))
        return;
    m_asking = true;
    m_window.take(m_replyEstimate);
    m_link.request(Svdrp::programmeAtLine(m_channel, m_at), this,
                   [this, generation = m_generation, at = m_at, taken = m_replyEstimate](
                       const Reply &reply) { read(generation, at, taken, reply); });
}

void ScheduleWalk::read(int generation, qint64 at, qsizetype taken, const Reply &reply)
{
    m_replyEstimate = std::max(m_replyEstimate, ByteWindow::bytesOf(reply));
    if (generation == m_generation) {
        m_asking = false;
        const QList<Programme> programmes
            = reply.code == epgData ? Schedule::parse(reply.lines).programmes : QList<Programme>();
        if (!programmes.isEmpty())
            found(programmes.first(), at);
        else if (reply.code == notFound || reply.code == epgData)
            empty(at);
        else
            finish(); // a recorder that does not know "at", or the channel
    }
    // Giving the room back goes on with the walk.
    m_window.giveBack(taken);
}

void ScheduleWalk::found(const Programme &programme, qint64 at)
{
    const qint64 start = programme.start.toSecsSinceEpoch();
    const qint64 end = programme.end().toSecsSinceEpoch();
    if (end <= at || start > at) {
        // Only the programme that ended at that moment (or one no VDR would name): a gap.
        empty(at);
        return;
    }
    if (!m_lastEmpty) {
        accept(programme);
        return;
    }
    // After a gap: a programme may begin between the last empty time and this one.
    if (!m_candidate || start < m_candidate->start.toSecsSinceEpoch())
        m_candidate = programme;
    narrow();
}

void ScheduleWalk::narrow()
{
    // Halfway between the gap and the earliest programme after it, until they are close.
    const qint64 candidateStart = m_candidate->start.toSecsSinceEpoch();
    if (candidateStart - *m_lastEmpty <= firstGapStep) {
        const Programme first = *m_candidate;
        accept(first);
        return;
    }
    m_at = *m_lastEmpty + (candidateStart - *m_lastEmpty) / 2;
}

void ScheduleWalk::empty(qint64 at)
{
    if (!m_emptySince)
        m_emptySince = at;
    m_lastEmpty = std::max(m_lastEmpty.value_or(at), at);
    if (m_candidate) {
        // The gap reaches at least to here.
        narrow();
        return;
    }
    if (at - *m_emptySince >= emptyDay) {
        finish();
        return;
    }
    m_at = at + m_gapStep;
    m_gapStep = std::min(m_gapStep * 2, largestGapStep);
}

void ScheduleWalk::accept(const Programme &programme)
{
    m_model.add(programme);
    m_candidate.reset();
    m_emptySince.reset();
    m_lastEmpty.reset();
    m_gapStep = firstGapStep;
    m_at = programme.end().toSecsSinceEpoch();
    if (m_model.programmeCount() >= mostProgrammes)
        finish();
    else if (m_model.programmeCount() == 1)
        markRunning();
}

void ScheduleWalk::finish()
{
    m_done = true;
    Q_EMIT finished();
}

void ScheduleWalk::markRunning()
{
    const QDateTime now = m_now();
    m_model.setNow(now);
    // Again when the first programme still running ends.
    const Programme *last = m_model.last();
    m_runningEnds.stop();
    if (!last)
        return;
    for (int group = 0; group < m_model.rowCount(); ++group) {
        const QModelIndex day = m_model.index(group, 0);
        for (int row = 0; row < m_model.rowCount(day); ++row) {
            const Programme *programme = m_model.programmeAt(m_model.index(row, 0, day));
            if (programme->end() > now) {
                m_runningEnds.start(int(std::clamp<qint64>(now.msecsTo(programme->end()), 0,
                                                           std::numeric_limits<int>::max())));
                return;
            }
        }
    }
}
