// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <optional>

// One programme of the recorder's guide.
struct Programme
{
    quint32 eventId = 0; // unique within its channel
    QDateTime start; // in UTC
    qint64 duration = 0; // seconds
    QString title; // empty when the recorder gave none
    QString shortText; // the episode's name and the like
    QString description; // with line breaks where the recorder wrote '|'
    QString channelId; // "S19.2E-1-1019-10301", from the C line around it
    QString channelName;

    QDateTime end() const { return start.addSecs(duration); }
};

// Whether a timer on the recorder records the whole programme on that channel.
using TimerCheck = std::function<bool(int channel, const Programme &programme)>;
// Follows the title of a programme a timer records, wherever a title is listed.
inline constexpr QStringView timerMark = u" \u25cf";

// The programmes of one LSTE reply, given as the texts after its "215-" codes in the epg.data
// form of vdr(5): "C S19.2E-1-1019-10301 Das Erste HD", "E 4711 1765224000 5400 4E FF",
// "T Tagesschau", "S Nachrichten", "D Die Nachrichten|des Tages", "e", "c". Lines it does not use
// are passed over.
struct Schedule
{
    // Starts after this (the year 2106) or before 1970, and programmes longer than a week,
    // come from a recorder's mistake: such an event is left out.
    static constexpr qint64 latestStart = 0xffffffff;
    static constexpr qint64 longestDuration = 7 * 24 * 3600;

    // In the order listed. An event that comes again for its channel replaces the earlier;
    // one left open ends at the next E, C or c line, or at the end of the reply.
    QList<Programme> programmes;

    static Schedule parse(const QStringList &lines);

    // On the channel at that time: the programme running (of several, the one begun last;
    // one ending at that moment is over) and the first to start after it.
    struct NowAndNext
    {
        std::optional<Programme> now;
        std::optional<Programme> next;
    };
    NowAndNext at(QStringView channelId, const QDateTime &time) const;
};
