// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "programme.h"
#include "recorder_clock.h"

#include <QDate>
#include <QString>
#include <QTime>

#include <optional>

// One of the recorder's timers, as LSTT lists it: "3 1:5:2026-12-11:2013:2155:50:99:Krimi:",
// the id, then flags, channel, day, start, stop, priority, lifetime, file name and aux data.
// NEWT and MODT answer with the same line, the channel given by its id instead of its number.
struct Timer
{
    // Flag bits VDR sets.
    static constexpr int activeFlag = 1;
    static constexpr int recordingFlag = 8;
    // Longest file name VDR takes is far shorter; a longer one is a line no VDR writes.
    static constexpr qsizetype maxFileLength = 4096;

    int id = 0;
    int flags = 0;
    int channel = 0; // 0 where the line names the channel by its id
    QString channelId;
    QDate day; // the single day, or a repeating timer's first day (none where not given)
    QString weekdays; // "MTWTF--" for a repeating timer, empty for a single day
    QTime start, stop; // on the recorder's wall clock; a stop before the start is the next day
    int priority = 0;
    int lifetime = 0;
    QString file; // as written: '|' for ':', '~' between folders
    QString aux;

    bool isOn() const { return flags & activeFlag; }
    bool isRecording() const { return flags & recordingFlag; }
    bool repeats() const { return !weekdays.isEmpty(); }

    // "<id> <settings>"; none for a line no VDR writes.
    static std::optional<Timer> parse(QStringView line);

    // When a single-day timer starts and stops, in UTC; none for a repeating one.
    std::optional<std::pair<QDateTime, QDateTime>> span(const RecorderClock &clock) const;
    // Whether it records the whole programme on that channel.
    bool covers(int channelNumber, const Programme &programme, const RecorderClock &clock) const;
    // The file name as the recorder files it: folders separated by '/', ':' where '|' stands.
    QString shownFile() const;
    // "Mondays to Fridays", "Mon, Wed, Sat", "every day"; empty for a single day.
    QString repeatWords() const;
};

// What a timer's margins are: minutes recorded before a programme's start and after its end.
struct Margins
{
    // VDR's own defaults, and the most accepted.
    static constexpr int defaultBefore = 2;
    static constexpr int defaultAfter = 10;
    static constexpr int largest = 180;

    int before = defaultBefore;
    int after = defaultAfter;

    // A setting's text: whole minutes from 0 to largest, anything else the fallback.
    static int minutes(QStringView text, int fallback);
};

// The settings NEWT takes to record the programme on that channel: on, the channel's number,
// the day and the start and stop on the recorder's clock with the margins, priority 50, lifetime
// 99, the title as the file name (':' written as '|'), no aux data.
QString timerSettings(int channelNumber, const Programme &programme, Margins margins,
                      const RecorderClock &clock);
