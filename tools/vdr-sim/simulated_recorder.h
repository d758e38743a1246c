// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "channel_list.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <QString>

// One answer of the recorder: one or more reply lines, each ending in CR LF.
struct RecorderAnswer
{
    QByteArray text;
    bool closesConnection = false;
    bool bulky = false; // a list, which a slow recorder takes its time over
};

// Talks like the SVDRP port of a VDR 2.6 recorder, close enough to try a remote against:
// the greeting and the answers to hitk, chan, lstc, lste, volu, mesg, ping and quit, worded as
// VDR words them. Anything else is an unknown command. The channel and the volume are shared by
// all connections, as on a real recorder. Every channel with a schedule has programmes of
// programmeSeconds each, one starting at every multiple of that since 1970.
class SimulatedRecorder
{
public:
    // version and charset: what the greeting names, so that older recorders, and recorders in
    // other locales, can be played as well.
    explicit SimulatedRecorder(QByteArray hostName, QByteArray version = "2.6.0",
                               QByteArray charset = "UTF-8",
                               QList<SimChannel> channels = standardChannels(),
                               int programmeSeconds = 1800);

    QByteArray greeting(const QDateTime &now) const;
    // These channels have no programmes, besides every tenth.
    void setWithoutProgrammes(const QList<int> &numbers) { m_withoutProgrammes = numbers; }
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
