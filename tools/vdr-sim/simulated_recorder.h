// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

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
};

// Talks like the SVDRP port of a VDR 2.6 recorder, close enough to try a remote against:
// the greeting and the answers to hitk, chan, mesg, ping and quit, worded as VDR words them.
// Anything else is an unknown command. The channel is shared by all connections, as on
// a real recorder.
class SimulatedRecorder
{
public:
    // version and charset: what the greeting names, so that older recorders, and recorders in
    // other locales, can be played as well.
    explicit SimulatedRecorder(QByteArray hostName, QByteArray version = "2.6.0",
                               QByteArray charset = "UTF-8");

    QByteArray greeting(const QDateTime &now) const;
    // The line may still carry its line end; surrounding blanks do not count, as in VDR.
    RecorderAnswer answer(QByteArrayView line);

private:
    RecorderAnswer hitKeys(const QByteArray &keys) const;
    RecorderAnswer switchChannel(const QByteArray &option);
    QByteArray channelLine() const;

    QByteArray m_hostName;
    QByteArray m_version;
    QByteArray m_charset;
    int m_channel = 1;
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
