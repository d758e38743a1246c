// SPDX-License-Identifier: GPL-2.0-or-later
// The simulated recorder's timers: LSTT, NEWT, MODT and DELT, read and written as VDR 2.6 does.
#include "simulated_recorder.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

bool isNumber(QByteArrayView text)
{
    return !text.isEmpty()
        && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Reads a timer line the way VDR's sscanf("%u :%m[^:]:%m[^:]:%d :%d :%d :%d :%m[^:\n]:%m[^\n]")
// does: numbers may have blanks before them and before their colon, texts take every byte.
class Fields
{
public:
    explicit Fields(QByteArray text)
        : m_text(std::move(text))
    { }
    std::optional<long> number(bool colon = true)
    {
        const char *begin = m_text.constData() + m_at;
        char *end = nullptr;
        const long value = std::strtol(begin, &end, 10);
        if (end == begin)
            return std::nullopt;
        m_at = end - m_text.constData();
        while (colon && m_at < m_text.size() && std::isspace(uchar(m_text[m_at])))
            ++m_at;
        if (colon && !take(':'))
            return std::nullopt;
        return value;
    }
    // A text up to the next colon, not empty; the colon is taken as well when there is one.
    std::optional<QByteArray> text(bool colonNeeded = true)
    {
        qsizetype end = m_text.indexOf(':', m_at);
        if (end < 0)
            end = m_text.size();
        if (end == m_at || (colonNeeded && end == m_text.size()))
            return std::nullopt;
        const QByteArray found = m_text.sliced(m_at, end - m_at);
        m_at = std::min(end + 1, m_text.size());
        return found;
    }
    QByteArray rest() const { return m_text.sliced(m_at); }

private:
    bool take(char c)
    {
        if (m_at >= m_text.size() || m_text[m_at] != c)
            return false;
        ++m_at;
        return true;
    }
    QByteArray m_text;
    qsizetype m_at = 0;
};

int toInt(long value)
{
    return int(std::clamp<long>(value, INT_MIN, INT_MAX));
}

} // namespace

QDateTime SimulatedRecorder::localNow() const
{
    return QDateTime::fromSecsSinceEpoch(now(), m_zone);
}

bool SimulatedRecorder::addTimer(QByteArrayView settings)
{
    std::optional<SimTimer> timer = parseTimer(settings);
    if (!timer)
        return false;
    timer->id = ++m_lastTimerId;
    m_timers.append(*timer);
    return true;
}

std::optional<QDate> SimulatedRecorder::parseDay(const QByteArray &text, int &weekDays) const
{
    // "2026-12-11", "11" (the day of the month within the next two), "MTWTF--" and
    // "MTWTF--@2026-12-11"; any character but "-" sets a weekday.
    weekDays = 0;
    QByteArray day = text;
    while (!day.isEmpty() && std::isspace(uchar(day[0])))
        day.remove(0, 1);
    if (day.isEmpty())
        return std::nullopt;
    const qsizetype at = day.indexOf('@');
    const bool dated = at >= 0 || std::isdigit(uchar(day[0]));
    QDate date;
    if (dated) {
        const QByteArray digits = day.sliced(at + 1);
        int year = 0, month = 0, dayOfMonth = 0;
        if (digits.size() == 10) {
            if (std::sscanf(digits.constData(), "%d-%d-%d", &year, &month, &dayOfMonth) != 3)
                return std::nullopt;
            // Out-of-range months and days roll over, as mktime() makes them.
            date = QDate(year, 1, 1).addMonths(month - 1).addDays(dayOfMonth - 1);
        } else {
            dayOfMonth = isNumber(digits) ? digits.toInt() : 0;
            if (dayOfMonth < 1 || dayOfMonth > 31)
                return std::nullopt;
            const QDate today = localNow().date();
            for (int i = -1; i <= 61 && !date.isValid(); ++i)
                date = today.addDays(i).day() == dayOfMonth ? today.addDays(i) : QDate();
        }
    }
    if (at >= 0 || !dated) {
        if ((at >= 0 ? at : day.size()) != 7)
            return std::nullopt;
        for (int i = 6; i >= 0; --i)
            weekDays = weekDays << 1 | (day[i] != '-');
    }
    return date;
}

std::optional<SimTimer> SimulatedRecorder::parseTimer(QByteArrayView settings) const
{
    QByteArray text = settings.toByteArray();
    // VDR's own fix for a line that ends in the colon before an empty aux or file.
    if (text.endsWith(':'))
        text += ' ';
    Fields fields(text);
    SimTimer timer;
    const std::optional<long> flags = fields.number();
    const std::optional<QByteArray> channel = flags ? fields.text() : std::nullopt;
    const std::optional<QByteArray> day = channel ? fields.text() : std::nullopt;
    // Start, stop, priority and lifetime.
    std::array<std::optional<long>, 4> numbers;
    bool read = day.has_value();
    for (std::optional<long> &number : numbers)
        read = read && (number = fields.number());
    const std::optional<QByteArray> file = read ? fields.text(false) : std::nullopt;
    if (!file)
        return std::nullopt;
    // Whether it records is the recorder's to say.
    timer.flags = uint(*flags) & ~8u;
    timer.start = toInt(*numbers[0]);
    timer.stop = toInt(*numbers[1]);
    timer.priority = toInt(*numbers[2]);
    timer.lifetime = toInt(*numbers[3]);
    timer.file = *file;
    timer.aux = fields.rest();
    if (timer.aux.trimmed().isEmpty())
        timer.aux.clear();
    const std::optional<QDate> date = parseDay(*day, timer.weekDays);
    if (!date)
        return std::nullopt;
    timer.day = *date;
    const auto byId = std::find_if(m_channels.cbegin(), m_channels.cend(),
                                   [&channel](const SimChannel &c) { return c.id == *channel; });
    timer.channel = isNumber(*channel) ? numberedChannel(*channel)
        : byId != m_channels.cend()    ? byId - m_channels.cbegin()
                                       : -1;
    if (timer.channel < 0 || m_channels[timer.channel].isGroup()
        || (isNumber(*channel) && channel->toInt() == 0))
        return std::nullopt;
    return timer;
}

QByteArray SimulatedRecorder::timerLine(const SimTimer &timer, bool channelId, bool live) const
{
    const SimChannel &channel = m_channels[timer.channel];
    QByteArray day;
    for (int i = 0; timer.weekDays && i < 7; ++i)
        day += timer.weekDays & (1 << i) ? "MTWTFSS"[i] : '-';
    if (timer.day.isValid())
        day += (timer.weekDays ? "@" : "") + timer.day.toString(Qt::ISODate).toLatin1();
    return QByteArray::number(timer.flags | (live && isRecording(timer) ? 8 : 0)) + ':'
        + (channelId ? channel.id : QByteArray::number(channel.number)) + ':' + day + ':'
        + QString::asprintf("%04d:%04d:%d:%d:", timer.start, timer.stop, timer.priority,
                            timer.lifetime)
              .toLatin1()
        + timer.file + ':' + timer.aux;
}

bool SimulatedRecorder::isRecording(const SimTimer &timer) const
{
    // An active timer records from its start to its stop in the recorder's local time, a stop
    // not after the start being on the next day; a repeating one on each of its weekdays.
    if (!(timer.flags & 1))
        return false;
    const QDateTime now = localNow();
    const auto spans = [&](QDate day) {
        const QDateTime midnight(day, QTime(0, 0), m_zone);
        const auto clock = [](int hhmm) {
            return qint64(hhmm / 100) * 3600 + hhmm % 100 * 60;
        };
        const QDateTime start = midnight.addSecs(clock(timer.start));
        QDateTime stop = midnight.addSecs(clock(timer.stop));
        if (stop <= start)
            stop = stop.addDays(1);
        return start <= now && now < stop;
    };
    if (!timer.weekDays)
        return timer.day.isValid() && spans(timer.day);
    for (const QDate day : {now.date().addDays(-1), now.date()}) {
        if ((timer.weekDays & (1 << (day.dayOfWeek() - 1)))
            && (!timer.day.isValid() || day >= timer.day) && spans(day))
            return true;
    }
    return false;
}

RecorderAnswer SimulatedRecorder::listTimers(const QByteArray &option) const
{
    int id = 0;
    bool channelIds = false;
    for (const QByteArray &word : option.simplified().split(' ')) {
        if (isNumber(word))
            id = word.toInt();
        else if (word.toLower() == "id")
            channelIds = true;
        else if (!word.isEmpty())
            return {"501 Unknown option: \"" + word + "\"\r\n"};
    }
    QByteArray text;
    for (const SimTimer &timer : m_timers) {
        if (!id || timer.id == id)
            text += (id || &timer == &m_timers.last() ? "250 " : "250-")
                + QByteArray::number(timer.id) + ' ' + timerLine(timer, channelIds) + "\r\n";
    }
    if (id && text.isEmpty())
        return {"501 Timer \"" + option + "\" not defined\r\n"};
    return {text.isEmpty() ? "550 No timers defined\r\n" : text, false, true};
}

RecorderAnswer SimulatedRecorder::newTimer(const QByteArray &option)
{
    if (option.isEmpty())
        return {"501 Missing timer settings\r\n"};
    std::optional<SimTimer> timer = parseTimer(option);
    if (!timer)
        return {"501 Error in timer settings\r\n"};
    timer->id = ++m_lastTimerId;
    m_timers.append(*timer);
    // VDR answers before the timer can start recording.
    return {"250 " + QByteArray::number(timer->id) + ' ' + timerLine(*timer, true, false) + "\r\n"};
}

RecorderAnswer SimulatedRecorder::modifyTimer(const QByteArray &option)
{
    if (option.isEmpty())
        return {"501 Missing timer settings\r\n"};
    char *end = nullptr;
    const long id = std::strtol(option.constData(), &end, 10);
    if (end == option.constData())
        return {"501 Error in timer id\r\n"};
    const QByteArray settings = QByteArray(end).trimmed();
    const auto found = std::find_if(m_timers.begin(), m_timers.end(),
                                    [id](const SimTimer &timer) { return timer.id == id; });
    if (found == m_timers.end())
        return {"501 Timer \"" + QByteArray::number(id) + "\" not defined\r\n"};
    SimTimer changed = *found;
    if (settings.toLower() == "on" || settings.toLower() == "off") {
        changed.flags = settings.toLower() == "on" ? changed.flags | 1 : changed.flags & ~1u;
    } else if (const std::optional<SimTimer> parsed = parseTimer(settings)) {
        changed = *parsed;
        changed.id = found->id;
    } else {
        return {"501 Error in timer settings\r\n"};
    }
    *found = changed;
    return {"250 " + QByteArray::number(changed.id) + ' ' + timerLine(changed, true) + "\r\n"};
}

RecorderAnswer SimulatedRecorder::deleteTimer(const QByteArray &option)
{
    if (option.isEmpty())
        return {"501 Missing timer number\r\n"};
    if (!isNumber(option))
        return {"501 Error in timer number \"" + option + "\"\r\n"};
    const int id = option.toInt();
    const auto found = std::find_if(m_timers.cbegin(), m_timers.cend(),
                                    [id](const SimTimer &timer) { return timer.id == id; });
    if (found == m_timers.cend())
        return {"501 Timer \"" + option + "\" not defined\r\n"};
    if (m_refuseRecordingDelete && isRecording(*found))
        return {"550 Timer \"" + option + "\" is recording\r\n"};
    m_timers.erase(found);
    return {"250 Timer \"" + option + "\" deleted\r\n"};
}
