// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_socket.h"

#include "keep_alive.h"

using namespace Qt::StringLiterals;

RecorderSocket::RecorderSocket(QObject *parent)
    : QObject(parent)
{
    // Neither limit ends early: a recorder that keeps within it must not be given up.
    m_attemptTimer.setSingleShot(true);
    m_attemptTimer.setTimerType(Qt::PreciseTimer);
    m_attemptTimer.setInterval(attemptTimeout);
    connect(&m_attemptTimer, &QTimer::timeout, this, &RecorderSocket::giveUpAttempt);
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    m_replyTimer.setInterval(replyTimeout);
    connect(&m_replyTimer, &QTimer::timeout, this, [this] { fail(ConnectionCause::NoReply); });
    connect(&m_keepAliveTimer, &QTimer::timeout, this, &RecorderSocket::keepAlive);
    connect(&m_socket, &QTcpSocket::readyRead, this, &RecorderSocket::readReplies);
    connect(&m_socket, &QTcpSocket::errorOccurred, this, &RecorderSocket::noteError);
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
    m_replyTimer.stop();
    m_keepAliveTimer.stop();
    m_greeted = false;
    // Lines already taken still go out: push them to the system before closing.
    if (m_socket.state() == QAbstractSocket::ConnectedState)
        m_socket.flush();
    const QSignalBlocker ownClose(m_socket);
    m_socket.abort();
}

void RecorderSocket::Connect()
{
    // Whatever ended the last connection, this one starts without a cause; closing it ourselves
    // leaves it without one.
    m_cause = ConnectionCause::None;
    m_errorText.clear();
    m_socket.connectToHost(m_remoteHost, m_remotePort);
    if (state() == State::Attempting)
        m_attemptTimer.start();
}

RecorderSocket::State RecorderSocket::state() const
{
    switch (m_socket.state()) {
    case QAbstractSocket::ConnectedState:
        return m_greeted ? State::Connected : State::Attempting;
    case QAbstractSocket::HostLookupState:
    case QAbstractSocket::ConnectingState:
        return State::Attempting;
    default:
        return State::Closed;
    }
}

bool RecorderSocket::SendData(const QString &line)
{
    if (state() != State::Connected || m_socket.bytesToWrite() >= maxBacklog)
        return false;
    const QByteArray bytes = line.toUtf8();
    if (m_socket.write(bytes) != bytes.size())
        return false;
    // Hand the line to the system now rather than at the next event-loop pass.
    m_socket.flush();
    // The clock runs from the oldest line that has seen nothing back yet.
    if (!m_replyTimer.isActive())
        m_replyTimer.start();
    if (m_keepAliveTimer.isActive())
        m_keepAliveTimer.start();
    return true;
}

void RecorderSocket::readReplies()
{
    m_replyTimer.stop();
    if (!m_greeted) {
        // The socket keeps the start of a first line that comes in pieces until it is whole.
        if (!m_socket.canReadLine() && m_socket.bytesAvailable() < KeepAlive::maxGreetingLength)
            return;
        const QByteArray greeting = m_socket.readLine(KeepAlive::maxGreetingLength);
        if (const ConnectionCause refusal = firstLineCause(greeting);
            refusal != ConnectionCause::None) {
            fail(refusal);
            return;
        }
        m_greeted = true;
        m_attemptTimer.stop();
        if (m_keepAliveInterval.count() > 0 && KeepAlive::recorderAllows(greeting))
            m_keepAliveTimer.start(m_keepAliveInterval);
    }
    m_socket.skip(m_socket.bytesAvailable());
}

void RecorderSocket::noteError(QAbstractSocket::SocketError error)
{
    // The socket closes itself after each of these; the link's poll finds it closed.
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        m_cause = ConnectionCause::Refused;
        break;
    case QAbstractSocket::HostNotFoundError:
        m_cause = ConnectionCause::HostNotFound;
        break;
    case QAbstractSocket::SocketTimeoutError:
        m_cause = ConnectionCause::NoAnswer;
        break;
    case QAbstractSocket::RemoteHostClosedError:
        // A whole first line that came before the close, such as "Access denied!", has been
        // judged already: the socket reads the bytes before a close first.
        m_cause = ConnectionCause::ClosedByRecorder;
        break;
    case QAbstractSocket::NetworkError:
        m_cause = ConnectionCause::Unreachable;
        break;
    case QAbstractSocket::SocketAccessError:
        m_cause = ConnectionCause::NotPermitted;
        break;
    default:
        m_cause = ConnectionCause::SocketError;
        break;
    }
    m_errorText = m_socket.errorString();
}

void RecorderSocket::keepAlive()
{
    // The recorder answers "250 <host> is alive"; the answer only stops the reply clock.
    SendData(u"PING\r\n"_s);
}

void RecorderSocket::giveUpAttempt()
{
    if (state() != State::Attempting)
        return;
    // Past the handshake, the recorder is there but does not greet: an older VDR serves one
    // client at a time and keeps the next one waiting.
    fail(m_socket.state() == QAbstractSocket::ConnectedState ? ConnectionCause::RecorderBusy
                                                             : ConnectionCause::NoAnswer);
}

void RecorderSocket::fail(ConnectionCause cause)
{
    Close();
    m_cause = cause;
}
