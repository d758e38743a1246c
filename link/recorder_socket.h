#pragma once

#include <QObject>
#include <QString>
#include <QTcpSocket>
#include <QTimer>

// The program's one TCP socket to the recorder. It offers only what the link relies on:
// close, set the remote end, start an attempt without waiting, read the state, send a line,
// and a notification when the recorder closes the connection. Replies are read and thrown
// away as they arrive, so memory stays flat however much the recorder says.
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
    void discardReplies();
    void giveUpAttempt();

    QTcpSocket m_socket;
    QTimer m_attemptTimer;
    QString m_remoteHost;
    quint16 m_remotePort = 0;
};
