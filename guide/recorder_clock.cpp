// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_clock.h"

#include <QLocale>
#include <QTimeZone>

using namespace Qt::StringLiterals;

RecorderClock RecorderClock::fromGreeting(QStringView clock, const QDateTime &receivedUtc)
{
    RecorderClock result;
    // ctime()'s form, whose day of the month is padded with a blank: "Mon Dec  7 19:18:03 2026".
    const QDateTime shown
        = QLocale::c().toDateTime(clock.toString().simplified(), u"ddd MMM d HH:mm:ss yyyy"_s);
    if (!shown.isValid() || !receivedUtc.isValid())
        return result;
    QDateTime asUtc = shown;
    asUtc.setTimeSpec(Qt::UTC);
    const qint64 seconds = receivedUtc.secsTo(asUtc);
    const qint64 rounded
        = (seconds + (seconds < 0 ? -quarterHour : quarterHour) / 2) / quarterHour * quarterHour;
    if (std::abs(rounded) <= largestOffset)
        result.m_offset = int(rounded);
    return result;
}

QDateTime RecorderClock::toRecorder(const QDateTime &moment) const
{
    if (!m_offset)
        return moment.toLocalTime();
    QDateTime shifted = moment.toUTC().addSecs(*m_offset);
    return shifted;
}

QDateTime RecorderClock::fromRecorder(QDate day, QTime time) const
{
    if (!m_offset)
        return QDateTime(day, time, Qt::LocalTime).toUTC();
    return QDateTime(day, time, Qt::UTC).addSecs(-*m_offset);
}
