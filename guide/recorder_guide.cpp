// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_guide.h"

#include "command_lines.h"
#include "recorder_requests.h"

#include <QVersionNumber>

using namespace Qt::StringLiterals;

namespace {

constexpr int replyOk = 250;
constexpr int epgData = 215;
// A title the recorder did not have is asked again after this long, as are programmes that
// had already ended when they came (the recorder's clock and ours may differ).
constexpr qint64 noDataSeconds = 600;
constexpr qint64 staleRetrySeconds = 30;
// VDR lists channel groups from 1.5.9 on.
const QVersionNumber firstWithGroups(1, 5, 9);

std::optional<Programme> firstProgramme(const Reply &reply)
{
    if (reply.code != epgData)
        return std::nullopt;
    const Schedule schedule = Schedule::parse(reply.lines);
    return schedule.programmes.isEmpty() ? std::nullopt
                                         : std::optional(schedule.programmes.first());
}

// "250 1 RTL Television", as CHAN and a switch answer: the number and the name.
std::optional<std::pair<int, QString>> channelInAnswer(int code, const QString &text)
{
    if (code != replyOk)
        return std::nullopt;
    const qsizetype blank = text.indexOf(u' ');
    bool ok = false;
    const int number = text.first(blank < 0 ? text.size() : blank).toInt(&ok);
    if (!ok || number <= 0 || number > 99999)
        return std::nullopt;
    return std::pair(number, blank < 0 ? QString() : text.sliced(blank + 1).trimmed());
}

} // namespace

RecorderGuide::RecorderGuide(RecorderRequests &link, QObject *parent)
    : QObject(parent)
    , m_link(link)
    , m_schedule(link, m_window)
    , m_timers(link)
{
    const TimerCheck covered = [this](int channel, const Programme &programme) {
        return m_timers.covers(channel, programme);
    };
    m_channels.setTimerCheck(covered);
    m_schedule.model()->setTimerCheck(covered);
    m_timers.model()->setChannelNames([this](int number) { return m_channels.name(number); });
    connect(&m_timers, &RecorderTimers::changed, this, [this] {
        m_channels.timersChanged();
        m_schedule.model()->timersChanged();
    });
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleTime);
    m_programmeEnds.setSingleShot(true);
    m_rowsExpire.setSingleShot(true);
    // A coarse timer may fire a little early: the recorder would still name the programme
    // about to end, and the guide would take it for stale data and wait long to ask again.
    m_programmeEnds.setTimerType(Qt::PreciseTimer);
    m_rowsExpire.setTimerType(Qt::PreciseTimer);
    connect(&m_settle, &QTimer::timeout, this, &RecorderGuide::askCurrent);
    connect(&m_programmeEnds, &QTimer::timeout, this, &RecorderGuide::askProgrammes);
    connect(&m_rowsExpire, &QTimer::timeout, this, &RecorderGuide::askRows);
    connect(&m_window, &ByteWindow::freed, this, &RecorderGuide::askRows);
    connect(
        &link, &RecorderRequests::greeted, this,
        [this](const QString &, const QString &version, const QString &) { m_version = version; });
    connect(&link, &RecorderRequests::connectionUp, this, &RecorderGuide::start);
    connect(&link, &RecorderRequests::connectionEnded, this, &RecorderGuide::stop);
    connect(&link, &RecorderRequests::answered, this,
            [this](bool switching, int code, const QString &text) {
                if (switching)
                    takeChannel(code, text);
            });
}

void RecorderGuide::start()
{
    // The current channel first: the list may take a while on a slow link. Activating the
    // window right after connecting need not ask again.
    askCurrent();
    m_lastActivationAsk.start();
    const QVersionNumber version = QVersionNumber::fromString(m_version);
    const bool groups = version.isNull() || version >= firstWithGroups;
    m_link.request(Svdrp::channelListLine(groups), this,
                   [this, groups](const Reply &reply) { listRead(reply, groups); });
    m_timers.refresh();
}

void RecorderGuide::stop()
{
    m_settle.stop();
    m_programmeEnds.stop();
    m_rowsExpire.stop();
    m_rowValidUntil.clear();
    m_rowsAsked.clear();
    // What a row's reply took on that recorder says nothing of the next.
    m_rowReplyEstimate = smallestRowReply;
    m_window.reset();
    m_current = {};
    m_channels.clear();
    Q_EMIT listChanged();
    Q_EMIT currentChanged();
}

void RecorderGuide::listRead(const Reply &reply, bool groups)
{
    if (reply.code != replyOk && groups) {
        // A recorder that does not know the option may still list its channels.
        m_link.request(Svdrp::channelListLine(false), this,
                       [this](const Reply &plain) { listRead(plain, false); });
        return;
    }
    m_channels.setChannels(reply.code == replyOk ? reply.lines : QStringList());
    m_channels.setCurrent(m_current.number);
    m_rowValidUntil.clear();
    m_timers.model()->channelsChanged();
    Q_EMIT listChanged();
}

void RecorderGuide::askCurrent()
{
    m_link.request(Svdrp::currentChannelLine(), this,
                   [this](const Reply &reply) { takeChannel(reply.code, reply.lines.value(0)); });
}

void RecorderGuide::noteChannelKey()
{
    if (m_link.isUp())
        m_settle.start();
}

void RecorderGuide::windowActivated()
{
    if (!m_link.isUp()
        || (m_lastActivationAsk.isValid()
            && m_lastActivationAsk.elapsed() < m_activationInterval.count()))
        return;
    m_lastActivationAsk.start();
    askCurrent();
    m_timers.refresh();
}

void RecorderGuide::takeChannel(int code, const QString &text)
{
    const auto channel = channelInAnswer(code, text);
    if (!channel || (channel->first == m_current.number && channel->second == m_current.name))
        return;
    m_current = {channel->first, channel->second, {}, {}, false};
    m_channels.setCurrent(channel->first);
    Q_EMIT currentChanged();
    askProgrammes();
}

void RecorderGuide::askProgrammes()
{
    m_programmeEnds.stop();
    const int number = m_current.number;
    for (const bool next : {false, true}) {
        m_link.request(
            Svdrp::programmeLine(number, next ? Svdrp::When::Next : Svdrp::When::Now), this,
            [this, number, next](const Reply &reply) { programmeRead(number, next, reply); });
    }
}

void RecorderGuide::programmeRead(int number, bool next, const Reply &reply)
{
    if (number != m_current.number)
        return;
    (next ? m_current.next : m_current.now) = firstProgramme(reply);
    m_current.noData = !m_current.now && !m_current.next;
    if (next) {
        // Asked again when the programme now ends, or the next one begins.
        const std::optional<Programme> &ending = m_current.now ? m_current.now : m_current.next;
        if (ending) {
            const QDateTime when = m_current.now ? ending->end() : ending->start;
            const qint64 wait = msecsUntil(when);
            m_programmeEnds.start(int(wait > 0
                                          ? std::min<qint64>(wait, std::numeric_limits<int>::max())
                                          : staleRetrySeconds * 1000));
        }
    }
    Q_EMIT currentChanged();
}

void RecorderGuide::showRows(const QList<int> &numbers)
{
    m_rows = numbers;
    askRows();
}

void RecorderGuide::askRows()
{
    if (!m_link.isUp())
        return;
    const QDateTime now = m_now();
    QDateTime soonest;
    for (const int number : std::as_const(m_rows)) {
        const auto known = m_rowValidUntil.constFind(number);
        if (known != m_rowValidUntil.cend() && *known > now) {
            if (!soonest.isValid() || *known < soonest)
                soonest = *known;
            continue;
        }
        if (m_rowsAsked.contains(number))
            continue;
        if (!m_window.fits(m_rowReplyEstimate))
            break;
        m_rowsAsked.insert(number);
        m_window.take(m_rowReplyEstimate);
        m_link.request(Svdrp::programmeLine(number, Svdrp::When::Now), this,
                       [this, number, taken = m_rowReplyEstimate](const Reply &reply) {
                           rowRead(number, taken, reply);
                       });
    }
    if (soonest.isValid())
        m_rowsExpire.start(
            int(std::clamp<qint64>(now.msecsTo(soonest), 0, std::numeric_limits<int>::max())));
}

void RecorderGuide::rowRead(int number, qsizetype taken, const Reply &reply)
{
    m_rowsAsked.remove(number);
    m_rowReplyEstimate = std::max(m_rowReplyEstimate, ByteWindow::bytesOf(reply));
    const std::optional<Programme> now = firstProgramme(reply);
    const QDateTime until = now ? now->end() : m_now();
    const bool ended = until <= m_now();
    m_rowValidUntil.insert(
        number, ended ? m_now().addSecs(now ? staleRetrySeconds : noDataSeconds) : until);
    m_channels.setNow(number, now);
    // Giving the room back asks the rows still unknown.
    m_window.giveBack(taken);
}
