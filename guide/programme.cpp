// SPDX-License-Identifier: GPL-2.0-or-later
#include "programme.h"

#include "plain_number.h"
#include "shown_text.h"

#include <QHash>

namespace {

// "E <event id> <start> <duration> <table id> <version>"; the last two do not matter here.
std::optional<Programme> eventLine(QStringView fields)
{
    const QList<QStringView> words = fields.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 3)
        return std::nullopt;
    const auto id = plainNumber(words[0], 0xffffffff);
    const auto start = plainNumber(words[1], Schedule::latestStart);
    const auto duration = plainNumber(words[2], Schedule::longestDuration);
    if (!id || !start || !duration)
        return std::nullopt;
    Programme programme;
    programme.eventId = quint32(*id);
    programme.start = QDateTime::fromSecsSinceEpoch(*start, Qt::UTC);
    programme.duration = *duration;
    return programme;
}

// Collects the programmes, replacing an event that comes again.
class Collector
{
public:
    void add(const Programme &programme)
    {
        const QString key = programme.channelId + u' ' + QString::number(programme.eventId);
        if (const auto known = m_index.constFind(key); known != m_index.cend()) {
            m_schedule.programmes[*known] = programme;
            return;
        }
        m_index.insert(key, m_schedule.programmes.size());
        m_schedule.programmes.append(programme);
    }
    Schedule take() { return std::move(m_schedule); }

private:
    Schedule m_schedule;
    QHash<QString, qsizetype> m_index;
};

} // namespace

Schedule Schedule::parse(const QStringList &lines)
{
    Collector collector;
    QString channelId, channelName;
    std::optional<Programme> open;
    const auto close = [&] {
        if (open)
            collector.add(*open);
        open.reset();
    };
    for (const QString &text : lines) {
        const QString line = shownText(text);
        const QChar tag = line.isEmpty() ? QChar() : line[0];
        if (line.size() > 1 && line[1] != u' ')
            continue; // no tag of vdr(5)
        const QStringView rest = QStringView(line).sliced(std::min<qsizetype>(2, line.size()));
        if (tag == u'C' || tag == u'c' || tag == u'E' || tag == u'e')
            close();
        if (tag == u'C') {
            const qsizetype blank = rest.indexOf(u' ');
            channelId = (blank < 0 ? rest : rest.first(blank)).trimmed().toString();
            channelName = blank < 0 ? QString() : rest.sliced(blank + 1).trimmed().toString();
        } else if (tag == u'c') {
            channelId.clear();
            channelName.clear();
        } else if (tag == u'E') {
            open = eventLine(rest);
            if (open) {
                open->channelId = channelId;
                open->channelName = channelName;
            }
        } else if (open && tag == u'T') {
            open->title = rest.trimmed().toString();
        } else if (open && tag == u'S') {
            open->shortText = rest.trimmed().toString();
        } else if (open && tag == u'D') {
            open->description = rest.trimmed().toString().replace(u'|', u'\n');
        }
    }
    close();
    return collector.take();
}

Schedule::NowAndNext Schedule::at(QStringView channelId, const QDateTime &time) const
{
    NowAndNext found;
    for (const Programme &programme : programmes) {
        if (programme.channelId != channelId)
            continue;
        if (programme.start <= time && time < programme.end()) {
            if (!found.now || found.now->start < programme.start)
                found.now = programme;
        } else if (programme.start > time && (!found.next || programme.start < found.next->start)) {
            found.next = programme;
        }
    }
    return found;
}
