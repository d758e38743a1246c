// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "connection_attempt.h"
#include "connection_cause.h"
#include "recorder_charset.h"
#include "reply_lines.h"
#include "reply_pairing.h"

#include <QDeadlineTimer>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// The program's one connection to the recorder. It offers what the link relies on: close, set
// the remote end, start an attempt without waiting, read the state and why it is closed, send a
// line, a notification when the recorder closes the connection, and what the recorder says.
// A connection counts as established only once the recorder has greeted: an older VDR that is
// busy with another client completes the handshake but says nothing until that client leaves.
// VDR answers every line it is sent with one reply, in order, so each reply is paired with the
// oldest line still waiting for one and handed, whole, to whoever sent that line.
class RecorderSocket : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Closed, // never opened, closed, refused, failed or given up
        Attempting, // looking the host up, waiting for a handshake or for the greeting
        Connected, // greeted by the recorder
    };

    // An attempt that has not been greeted by then is given up, so that a host that never
    // answers, or answers but never greets, still ends in a definite state.
    static constexpr auto attemptTimeout = ConnectionAttempt::timeLimit;
    // A line that has had no reply this long after it was sent, with no line of a longer reply
    // under way either, means the recorder has hung or gone without closing, and the connection
    // is given up.
    static constexpr auto replyTimeout = std::chrono::seconds(10);
    // Bytes of lines that the system has not taken yet, beyond which further lines are dropped
    // whole. A recorder that leaves this much unread has hung; keeping more would only grow
    // memory without bound and fire stale presses at it should it wake up.
    static constexpr qint64 maxBacklog = 1024 * 1024;

    explicit RecorderSocket(QObject *parent = nullptr);
    ~RecorderSocket() override;

    // Ends any connection or pending attempt; harmless on a closed socket. The cause stays.
    void Close();
    void setRemoteHost(const QString &host) { m_remoteHost = host; }
    void setRemotePort(quint16 port) { m_remotePort = port; }
    // How long the connection may stay idle before a PING keeps it open; zero for never.
    void setKeepAliveInterval(std::chrono::seconds interval) { m_keepAliveInterval = interval; }
    // The limits of an attempt and of a reply; only tests shorten them.
    void setLimits(std::chrono::milliseconds attempt, std::chrono::milliseconds reply)
    {
        m_attempt.setTimeLimit(attempt);
        m_replyLimit = reply;
    }
    // Starts an attempt to the remote end last set; the outcome shows in state().
    void Connect();
    State state() const;
    // Why the last connection or attempt ended; None when it was closed by Close().
    ConnectionCause cause() const { return m_cause; }
    // The system's own words for a failure that has no cause of its own (SocketError and the
    // like); empty otherwise.
    QString errorText() const { return m_errorText; }
    // Hands one complete line to the system, in the recorder's character set; its whole reply
    // goes to done, unless context is gone by then. A reply never comes for a connection that
    // ends first. A line the socket cannot take (no greeted connection, a backlog beyond
    // maxBacklog, no line end) is dropped; the result says whether it was taken.
    // keep: what done reads of the reply.
    bool SendData(const QString &line, QObject *context = nullptr, ReplyDone done = {},
                  ReplyPairing::Keep keep = ReplyPairing::Keep::AllLines);

Q_SIGNALS:
    // The recorder closed the connection (never emitted for our own Close()).
    void peerClosed();
    // The recorder greeted: its host name, the VDR version it names (empty for none), and its
    // local time as it wrote it (empty for none).
    void greeted(const QString &host, const QString &version, const QString &clock);

private:
    void takeOver(QTcpSocket *socket, const QByteArray &greeting);
    void readReplies();
    void replyLine(QByteArrayView line);
    void armReplyClock();
    void replyOverdue();
    void keepAlive();
    void fail(ConnectionCause cause, const QString &systemText = {});
    QString displayable(QByteArrayView bytes);

    ConnectionAttempt m_attempt;
    QTcpSocket *m_socket = nullptr; // the greeted connection, while there is one
    RecorderCharset m_charset;
    QByteArray m_lineBytes; // the line being sent, in the recorder's character set
    ReplyLines m_replyLines;
    // Lines sent whose replies have not come yet, oldest first.
    ReplyPairing m_pending;
    std::chrono::milliseconds m_replyLimit = replyTimeout;
    // Runs while a line waits for its reply, until the oldest one is due. A long reply still
    // coming in (a channel list over a slow link) proves the recorder alive, and so holds off
    // every line waiting behind it until its own lines stop.
    QTimer m_replyTimer;
    QDeadlineTimer m_replyProgress;
    // Runs only on a connection whose recorder allows it; every line sent restarts it.
    QTimer m_keepAliveTimer;
    std::chrono::seconds m_keepAliveInterval {0};
    ConnectionCause m_cause = ConnectionCause::None;
    QString m_errorText;
    QString m_remoteHost;
    quint16 m_remotePort = 0;
};
