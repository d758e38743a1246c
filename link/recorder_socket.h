#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// The program's one TCP socket to the recorder. It offers only what the link relies on:
// close, set the remote end, start an attempt without waiting, read the state, send a line,
// and a notification when the recorder closes the connection. Of the replies only the greeting
// is looked at, to decide on keep-alive; the rest is thrown away as it arrives, so memory stays
// flat however much the recorder says.
class RecorderSocket : public QObject
{
    Q_OBJECT

public:
    enum class State {
        Closed, // never opened, closed, refused, failed or given up
        Attempting, // resolving the host name or waiting for the handshake
        Connected,
    };

    // An attempt that has neither succeeded nor failed by then is given up, so that a host
    // that never answers still ends in a definite state.
    static constexpr auto attemptTimeout = std::chrono::seconds(5);
    // Bytes of lines that the system has not taken yet, beyond which further lines are dropped
    // whole. A recorder that leaves this much unread has hung; keeping more would only grow
    // memory without bound and fire stale presses at it should it wake up.
    static constexpr qint64 maxBacklog = 1024 * 1024;

    explicit RecorderSocket(QObject *parent = nullptr);
    ~RecorderSocket() override;

    // Ends any connection or pending attempt; harmless on a closed socket.
    void Close();
    void setRemoteHost(const QString &host) { m_remoteHost = host; }
    void setRemotePort(quint16 port) { m_remotePort = port; }
    // How long the connection may stay idle before a PING keeps it open; zero for never.
    void setKeepAliveInterval(std::chrono::seconds interval) { m_keepAliveInterval = interval; }
    // Starts an attempt to the remote end last set; the outcome shows in State().
    void Connect();
    State state() const;
    // Hands the line to the system as UTF-8. A line the socket cannot take (no connection, or
    // a backlog beyond maxBacklog) is dropped; the result says whether it was taken.
    bool SendData(const QString &line);

Q_SIGNALS:
    // The recorder closed the connection (never emitted for our own Close()).
    void peerClosed();

private:
    void readReplies();
    void giveUpAttempt();
    void keepAlive();

    QTcpSocket m_socket;
    QTimer m_attemptTimer;
    // Runs only on a connection whose recorder allows it; every line sent restarts it.
    QTimer m_keepAliveTimer;
    std::chrono::seconds m_keepAliveInterval {0};
    bool m_greetingRead = false;
    QString m_remoteHost;
    quint16 m_remotePort = 0;
};
