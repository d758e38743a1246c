#include "recorder_socket.h"

#include "keep_alive.h"

using namespace Qt::StringLiterals;

RecorderSocket::RecorderSocket(QObject *parent)
    : QObject(parent)
{
    m_attemptTimer.setSingleShot(true);
    m_attemptTimer.setInterval(attemptTimeout);
    connect(&m_attemptTimer, &QTimer::timeout, this, &RecorderSocket::giveUpAttempt);
    connect(&m_socket, &QTcpSocket::connected, &m_attemptTimer, &QTimer::stop);
    connect(&m_keepAliveTimer, &QTimer::timeout, this, &RecorderSocket::keepAlive);
    connect(&m_socket, &QTcpSocket::readyRead, this, &RecorderSocket::readReplies);
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
    m_keepAliveTimer.stop();
    m_greetingRead = false;
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
    if (m_keepAliveTimer.isActive())
        m_keepAliveTimer.start();
    return true;
}

void RecorderSocket::readReplies()
{
    if (!m_greetingRead) {
        // The socket keeps the start of a greeting that comes in pieces until its line is whole.
        if (!m_socket.canReadLine() && m_socket.bytesAvailable() < KeepAlive::maxGreetingLength)
            return;
        m_greetingRead = true;
        const QByteArray greeting = m_socket.readLine(KeepAlive::maxGreetingLength);
        if (m_keepAliveInterval.count() > 0 && KeepAlive::recorderAllows(greeting))
            m_keepAliveTimer.start(m_keepAliveInterval);
    }
    m_socket.skip(m_socket.bytesAvailable());
}

void RecorderSocket::keepAlive()
{
    // The recorder answers "250 <host> is alive", which is thrown away like every reply.
    SendData(u"PING\r\n"_s);
}

void RecorderSocket::giveUpAttempt()
{
    if (state() == State::Attempting)
        Close();
}
