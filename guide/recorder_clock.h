// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QStringView>

#include <optional>

// The recorder's local time, which need not be the desktop's: a timer's day and times are
// written in it. VDR writes its local time into its greeting, so its offset from UTC is that
// time against our clock when the greeting came, rounded to a quarter hour (the clocks may
// differ by some seconds, and every zone's offset is whole quarter hours). Without a usable
// date in the greeting, the desktop's own zone stands in.
class RecorderClock
{
public:
    // Offsets beyond these are no zone's, and come from a clock that is simply wrong.
    static constexpr int largestOffset = 14 * 3600;
    static constexpr int quarterHour = 15 * 60;

    RecorderClock() = default; // the desktop's zone

    // "Thu Dec 10 02:53:06 2026", as the greeting writes it, read when it came (in UTC).
    static RecorderClock fromGreeting(QStringView clock, const QDateTime &receivedUtc);

    // The recorder's wall-clock time at that moment; its time spec says nothing.
    QDateTime toRecorder(const QDateTime &moment) const;
    // The moment the recorder's wall clock shows that day and time, in UTC.
    QDateTime fromRecorder(QDate day, QTime time) const;
    // Seconds east of UTC; none where the desktop's zone stands in.
    std::optional<int> offset() const { return m_offset; }

private:
    std::optional<int> m_offset;
};
