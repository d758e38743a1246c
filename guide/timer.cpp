// SPDX-License-Identifier: GPL-2.0-or-later
#include "timer.h"

#include "plain_number.h"
#include "shown_text.h"

#include <QLocale>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace {

constexpr int fieldCount = 9;

// "2013" reads 20:13.
std::optional<QTime> clockTime(QStringView text)
{
    if (text.size() != 4)
        return std::nullopt;
    const auto hours = plainInt(text.first(2), 23);
    const auto minutes = plainInt(text.sliced(2), 59);
    if (!hours || !minutes)
        return std::nullopt;
    return QTime(*hours, *minutes);
}

// "MTWTF--": a letter or '-' for each day; any other letter in its place also counts, as in VDR.
bool isWeekdays(QStringView text)
{
    return text.size() == 7 && text.count(u'-') < 7
        && std::none_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

std::optional<Timer> Timer::parse(QStringView line)
{
    const QString text = shownText(line).trimmed();
    const qsizetype blank = text.indexOf(u' ');
    if (blank < 0)
        return std::nullopt;
    Timer timer;
    const auto id = plainInt(QStringView(text).first(blank), 999999);
    const QList<QStringView> fields = QStringView(text).sliced(blank + 1).split(u':');
    if (!id || *id == 0 || fields.size() < fieldCount - 1)
        return std::nullopt;
    timer.id = *id;
    const auto flags = plainInt(fields[0], 0xffff);
    const auto priority = plainInt(fields[5], 99);
    const auto lifetime = plainInt(fields[6], 99);
    const auto start = clockTime(fields[3]);
    const auto stop = clockTime(fields[4]);
    if (!flags || !priority || !lifetime || !start || !stop || fields[7].size() > maxFileLength)
        return std::nullopt;
    timer.flags = *flags;
    timer.priority = *priority;
    timer.lifetime = *lifetime;
    timer.start = *start;
    timer.stop = *stop;
    if (const auto number = plainInt(fields[1], 99999); number && *number > 0)
        timer.channel = *number;
    else if (fields[1].count(u'-') >= 3)
        timer.channelId = fields[1].toString();
    else
        return std::nullopt;

    QStringView day = fields[2];
    if (const qsizetype at = day.indexOf(u'@'); at >= 0) {
        if (!isWeekdays(day.first(at)))
            return std::nullopt;
        timer.weekdays = day.first(at).toString();
        day = day.sliced(at + 1);
    } else if (isWeekdays(day)) {
        timer.weekdays = day.toString();
        day = {};
    }
    if (!day.isEmpty()) {
        timer.day = QDate::fromString(day.toString(), Qt::ISODate);
        if (!timer.day.isValid())
            return std::nullopt;
    }
    if (!timer.repeats() && !timer.day.isValid())
        return std::nullopt;
    timer.file = fields[7].toString();
    // The aux data may hold further colons of its own.
    QStringList aux;
    for (auto field = fields.begin() + fieldCount - 1; field != fields.end(); ++field)
        aux.append(field->toString());
    timer.aux = aux.join(u':');
    return timer;
}

std::optional<std::pair<QDateTime, QDateTime>> Timer::span(const RecorderClock &clock) const
{
    if (repeats())
        return std::nullopt;
    const QDateTime from = clock.fromRecorder(day, start);
    const QDate stopDay = stop <= start ? day.addDays(1) : day;
    return std::pair(from, clock.fromRecorder(stopDay, stop));
}

bool Timer::covers(int channelNumber, const Programme &programme, const RecorderClock &clock) const
{
    if (channel != channelNumber || !programme.start.isValid())
        return false;
    const auto times = span(clock);
    return times && times->first <= programme.start && programme.end() <= times->second;
}

QString Timer::shownFile() const
{
    QString shown = file;
    shown.replace(u'|', u':').replace(u'~', u'/');
    return shown;
}

QString Timer::repeatWords() const
{
    if (!repeats())
        return {};
    QList<int> days; // 1 for Monday, as QLocale counts
    for (int i = 0; i < 7; ++i) {
        if (weekdays[i] != u'-')
            days.append(i + 1);
    }
    const QLocale locale;
    if (days.size() == 7)
        return u"every day"_s;
    // A run of three or more days reads "Mondays to Fridays".
    if (days.size() >= 3 && days.last() - days.first() == days.size() - 1)
        return u"%1s to %2s"_s.arg(locale.dayName(days.first()), locale.dayName(days.last()));
    QStringList names;
    for (const int day : days)
        names.append(locale.dayName(day, QLocale::ShortFormat));
    return names.join(u", "_s);
}

int Margins::minutes(QStringView text, int fallback)
{
    const auto number = plainInt(text.trimmed(), largest);
    return number ? *number : fallback;
}

QString timerSettings(int channelNumber, const Programme &programme, Margins margins,
                      const RecorderClock &clock)
{
    const QDateTime from = clock.toRecorder(programme.start.addSecs(-60 * margins.before));
    const QDateTime to = clock.toRecorder(programme.end().addSecs(60 * margins.after));
    QString file = programme.title.isEmpty() ? programme.channelName : programme.title;
    file.replace(u':', u'|');
    // VDR writes a stop before its start as the next day's.
    return u"1:%1:%2:%3:%4:50:99:%5:"_s.arg(channelNumber)
        .arg(from.date().toString(Qt::ISODate), from.time().toString(u"HHmm"_s),
             to.time().toString(u"HHmm"_s), file);
}
