// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "connection_cause.h"

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// The program's one TCP socket to the recorder. It offers only what the link relies on:
// close, set the remote end, start an attempt without waiting, read the state and why it is
// closed, send a line, and a notification when the recorder closes the connection.
// A connection counts as established only once the recorder has greeted: an older VDR that is
// busy with another client completes the handshake but says nothing until that client leaves.
// Of the replies only the first line is looked at; the rest only shows that the recorder is
// still answering and is thrown away as it arrives, so memory stays flat however much it says.
class RecorderSocket : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Closed, // never opened, closed, refused, failed or given up
        Attempting, // resolving the host name, waiting for the handshake or for the greeting
        Connected, // greeted by the recorder
    };

    // An attempt that has not been greeted by then is given up, so that a host that never
    // answers, or answers but never greets, still ends in a definite state.
    static constexpr auto attemptTimeout = std::chrono::seconds(5);
    // VDR answers every command line. A line with nothing at all back this long after it means
    // the recorder has hung or gone without closing, and the connection is given up.
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
    // Starts an attempt to the remote end last set; the outcome shows in State().
    void Connect();
    State state() const;
    // Why the last connection or attempt ended; None when it was closed by Close().
    ConnectionCause cause() const { return m_cause; }
    // The system's own words for a failure that has no cause of its own (SocketError and the
    // like); empty otherwise.
    QString errorText() const { return m_errorText; }
    // Hands the line to the system as UTF-8. A line the socket cannot take (no greeted
    // connection, or a backlog beyond maxBacklog) is dropped; the result says whether it was.
    bool SendData(const QString &line);

Q_SIGNALS:
    // The recorder closed the connection (never emitted for our own Close()).
    void peerClosed();

private:
    void readReplies();
    void noteError(QAbstractSocket::SocketError error);
    void giveUpAttempt();
    void keepAlive();
    void fail(ConnectionCause cause);

    QTcpSocket m_socket;
    QTimer m_attemptTimer;
    // Runs from a line sent until the recorder's next bytes arrive.
    QTimer m_replyTimer;
    // Runs only on a connection whose recorder allows it; every line sent restarts it.
    QTimer m_keepAliveTimer;
    std::chrono::seconds m_keepAliveInterval {0};
    bool m_greeted = false;
    ConnectionCause m_cause = ConnectionCause::None;
    QString m_errorText;
    QString m_remoteHost;
    quint16 m_remotePort = 0;
};
