#include "recorder_socket.h"

RecorderSocket::RecorderSocket(QObject *parent)
    : QObject(parent)
{
    m_attemptTimer.setSingleShot(true);
    m_attemptTimer.setInterval(attemptTimeout);
    connect(&m_attemptTimer, &QTimer::timeout, this, &RecorderSocket::giveUpAttempt);
    connect(&m_socket, &QTcpSocket::connected, &m_attemptTimer, &QTimer::stop);
    connect(&m_socket, &QTcpSocket::readyRead, this, &RecorderSocket::discardReplies);
    // Close() blocks the socket's signals while it aborts, so a disconnect seen here
    // always came from the recorder's side.
    connect(&m_socket, &QTcpSocket::disconnected, this, &RecorderSocket::peerClosed);
}

RecorderSocket::~RecorderSocket()
{
    // Left to its own destructor, the socket would report its disconnect to this object and
    // its owner after their other members are already gone.
    Close();
}

void RecorderSocket::Close()
{
    m_attemptTimer.stop();
    // Lines already taken still go out: push them to the system before closing.
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.flush();
    const QSignalBlocker ownClose(m_socket);
    m_socket.abort();
}

void RecorderSocket::Connect()
{
    m_socket.connectToHost(m_remoteHost, m_remotePort);
    if (state() == State::Attempting)
        m_attemptTimer.start();
}

RecorderSocket::State RecorderSocket::state() const
{
    switch (m_socket.state()) {
    case QAbstractSocket::ConnectedState:
        return State::Connected;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        return State::Attempting;
    default:
        return State::Closed;
    }
}

bool RecorderSocket::SendData(const QString &line)
{
    if (m_socket.state() != QAbstractSocket::ConnectedState
        || m_socket.bytesToWrite() >= maxBacklog)
        return false;
    const QByteArray bytes = line.toUtf8();
    if (m_socket.write(bytes) != bytes.size())
        return false;
    // Hand the line to the system now rather than at the next event-loop pass.
    m_socket.flush();
    return true;
}

void RecorderSocket::discardReplies()
{
    m_socket.skip(m_socket.bytesAvailable());
}

void RecorderSocket::giveUpAttempt()
{
    if (state() == State::Attempting)
        Close();
}
