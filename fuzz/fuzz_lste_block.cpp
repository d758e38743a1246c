// SPDX-License-Identifier: GPL-2.0-or-later
// A programme block, one line of it per input line: whatever comes, every programme read has a
// start and a duration in range, texts that show, and no twin on its channel; and now and next
// at any programme's start and end agree with the list.
#include "programme.h"
#include "require.h"

#include <QSet>
#include <QString>

#include <cstdint>

namespace {

bool shows(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line)
            return false;
    }
    return text == text.trimmed();
}

void checkAt(const Schedule &schedule, const QString &channel, const QDateTime &time)
{
    const Schedule::NowAndNext found = schedule.at(channel, time);
    for (const Programme &p : schedule.programmes) {
        if (p.channelId != channel)
            continue;
        const bool running = p.start <= time && time < p.end();
        require(!running || (found.now && found.now->start >= p.start), "now begun last");
        require(p.start <= time || (found.next && found.next->start <= p.start), "next is first");
    }
    require(!found.now || (found.now->start <= time && time < found.now->end()), "now runs");
    require(!found.next || found.next->start > time, "next starts later");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList lines = text.split(u'\n');
    const Schedule schedule = Schedule::parse(lines);
    require(schedule.programmes.size() <= lines.size(), "no more programmes than lines");
    QSet<QString> seen;
    for (const Programme &p : schedule.programmes) {
        require(p.start.timeSpec() == Qt::UTC && p.start.toSecsSinceEpoch() >= 0
                    && p.start.toSecsSinceEpoch() <= Schedule::latestStart,
                "the start is in range, in UTC");
        require(p.duration >= 0 && p.duration <= Schedule::longestDuration, "duration in range");
        require(shows(p.title) && shows(p.shortText) && shows(p.channelId) && shows(p.channelName),
                "the texts show");
        const QString key = p.channelId + u' ' + QString::number(p.eventId);
        require(!seen.contains(key), "an event once per channel");
        seen.insert(key);
    }
    for (const Programme &p : schedule.programmes) {
        checkAt(schedule, p.channelId, p.start);
        checkAt(schedule, p.channelId, p.end());
    }
    return 0;
}
