// SPDX-License-Identifier: GPL-2.0-or-later
// A programme block, one line of it per input line: whatever comes, every programme read has a
// start and a duration in range, texts that show, and no twin on its channel.
#include "programme.h"
#include "require.h"
#include "shows.h"

#include <QSet>
#include <QString>

#include <cstdint>

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
        seen.insert(p.channelId + u' ' + QString::number(p.eventId));
    }
    require(seen.size() == schedule.programmes.size(), "an event once per channel");
    return 0;
}
