// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "channel_list.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>
#include <QTimeZone>

#include <optional>

// One answer of the recorder: one or more reply lines, each ending in CR LF.
struct RecorderAnswer
{
    QByteArray text;
    bool closesConnection = false;
    bool bulky = false; // a list, which a slow recorder takes its time over
};

// One programme of a simulated schedule, as LSTE lists it.
struct SimProgramme
{
    quint32 id = 0;
    qint64 start = 0;
    int seconds = 0;
    QByteArray title;
    QByteArray shortText; // may be empty
    QByteArray description; // "|" between lines, as VDR writes it; may be empty
    bool stereo = false; // has an audio component line
    qint64 end() const { return start + seconds; }
};

// One timer as VDR keeps it; start and stop are HHMM numbers, VDR does not check them.
struct SimTimer
{
    int id = 0;
    uint flags = 0;
    qsizetype channel = 0; // in the recorder's channels
    QDate day; // the one day, or the first of a repeating timer; null for none
    int weekDays = 0; // bit 0 Monday
    int start = 0;
    int stop = 0;
    int priority = 0;
    int lifetime = 0;
    QByteArray file;
    QByteArray aux;
};

// Talks like the SVDRP port of a VDR 2.6 recorder, close enough to try a remote against:
// the greeting and the answers to hitk, chan, lstc, lste, volu, mesg, ping, quit and the timer
// commands lstt, newt, modt and delt, worded as VDR words them. Anything else is an unknown
// command. The channel, the volume and the timers are shared by all connections, as on a real
// recorder. Every channel with a schedule has programmes of programmeSeconds each, one starting
// at every multiple of that since 1970, or, once setWeek() is called, a week of its own.
class SimulatedRecorder
{
public:
    // version and charset: what the greeting names, so that older recorders, and recorders in
    // other locales, can be played as well.
    explicit SimulatedRecorder(QByteArray hostName, QByteArray version = "2.6.0",
                               QByteArray charset = "UTF-8",
                               QList<SimChannel> channels = standardChannels(),
                               int programmeSeconds = 1800);

    QByteArray greeting() const;
    // These channels have no programmes, besides every tenth.
    void setWithoutProgrammes(const QList<int> &numbers) { m_withoutProgrammes = numbers; }
    // The clock stands at this time (seconds since 1970) instead of following the system's.
    void setClock(qint64 now) { m_clock = now; }
    // Programmes of 5 to 180 minutes for seven days from a few hours before now, with a
    // stretch without data each day, the same for the same start.
    void setWeek();
    // The zone of the recorder's local time: its greeting and its timers' days and times.
    void setTimeZone(const QTimeZone &zone) { m_zone = zone; }
    // DELT of a timer that is recording is refused, as by VDRs before 2.4.
    void setRefuseRecordingDelete(bool refuse) { m_refuseRecordingDelete = refuse; }
    // A timer as NEWT would set it; false for settings NEWT refuses.
    bool addTimer(QByteArrayView settings);
    // The line may still carry its line end; surrounding blanks do not count, as in VDR.
    RecorderAnswer answer(QByteArrayView line);

private:
    RecorderAnswer hitKeys(const QByteArray &keys);
    RecorderAnswer switchChannel(const QByteArray &option);
    QByteArray channelLine() const;
    RecorderAnswer volume(const QByteArray &option);
    // These two live in simulated_guide.cpp.
    RecorderAnswer listChannels(const QByteArray &option) const;
    RecorderAnswer listProgrammes(const QByteArray &option) const;
    const QList<SimProgramme> &weekOf(const SimChannel &channel) const;
    SimProgramme slotProgramme(const SimChannel &channel, qint64 start) const;
    // These live in simulated_timers.cpp.
    RecorderAnswer listTimers(const QByteArray &option) const;
    RecorderAnswer newTimer(const QByteArray &option);
    RecorderAnswer modifyTimer(const QByteArray &option);
    RecorderAnswer deleteTimer(const QByteArray &option);
    std::optional<SimTimer> parseTimer(QByteArrayView settings) const;
    std::optional<QDate> parseDay(const QByteArray &text, int &weekDays) const;
    // Flag 8 while it records, unless not live.
    QByteArray timerLine(const SimTimer &timer, bool channelId, bool live = true) const;
    bool isRecording(const SimTimer &timer) const;
    qint64 now() const;
    QDateTime localNow() const;
    bool hasSchedule(const SimChannel &channel) const
    {
        return channel.hasSchedule() && !m_withoutProgrammes.contains(channel.number);
    }
    // The channel of that number, or -1; 0 names the current one.
    qsizetype channelAt(int number) const;
    // The same for a number in digits; -1 for anything else.
    qsizetype numberedChannel(const QByteArray &digits) const;

    QByteArray m_hostName;
    QByteArray m_version;
    QByteArray m_charset;
    QList<SimChannel> m_channels;
    qsizetype m_current = 0; // in m_channels
    int m_programmeSeconds;
    QList<int> m_withoutProgrammes;
    std::optional<qint64> m_clock;
    std::optional<qint64> m_weekFrom;
    mutable QHash<int, QList<SimProgramme>> m_weeks; // by channel number, made when first asked
    QTimeZone m_zone = QTimeZone::systemTimeZone();
    QList<SimTimer> m_timers;
    int m_lastTimerId = 0; // ids are never given twice in one run, as in VDR
    bool m_refuseRecordingDelete = false;
    // Digit keys typed in a row, as live TV takes them: the channel of that number, at once.
    int m_typedNumber = 0;
    int m_volume = 128;
    bool m_muted = false;
};

// Cuts a byte stream into command lines the way VDR does: a line ends at LF.
class LineSplitter
{
public:
    // The lines completed by these bytes, each with its line end exactly as received.
    QList<QByteArray> feed(QByteArrayView bytes);
    // The start of a line whose end has not come yet.
    QByteArray takePending();
    qsizetype pendingSize() const { return m_pending.size(); }

private:
    QByteArray m_pending;
};

// Shows bytes exactly as they came on the wire and still readable: UTF-8 text as it is;
// CR, LF, tab and backslash as \r \n \t \\; any other control byte and any byte that is
// not part of valid UTF-8 as \xNN.
QString wireText(QByteArrayView bytes);
