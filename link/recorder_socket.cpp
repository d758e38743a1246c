// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_socket.h"

#include "command_lines.h"
#include "greeting.h"
#include "keep_alive.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

RecorderSocket::RecorderSocket(QObject *parent)
    : QObject(parent)
{
    // The reply clock never ends early: a recorder that keeps within it must not be given up.
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &RecorderSocket::replyOverdue);
    connect(&m_keepAliveTimer, &QTimer::timeout, this, &RecorderSocket::keepAlive);
    connect(&m_attempt, &ConnectionAttempt::greeted, this, &RecorderSocket::takeOver);
    connect(&m_attempt, &ConnectionAttempt::failed, this, &RecorderSocket::fail);
}

RecorderSocket::~RecorderSocket()
{
    // Left to its own destructor, the socket would report its disconnect to this object and
    // its owner after their other members are already gone.
    Close();
}

void RecorderSocket::Close()
{
    m_attempt.abort();
    m_replyTimer.stop();
    m_keepAliveTimer.stop();
    m_pending.clear();
    m_replyProgress = QDeadlineTimer();
    m_replyLines.clear();
    if (!m_socket)
        return;
    // Lines already taken still go out: push them to the system before closing.
    if (m_socket->state() == QAbstractSocket::ConnectedState)
        m_socket->flush();
    m_socket->disconnect(this);
    const QSignalBlocker ownClose(m_socket);
    m_socket->abort();
    // This may run inside one of the socket's own signals.
    std::exchange(m_socket, nullptr)->deleteLater();
}

void RecorderSocket::Connect()
{
    // Whatever ended the last connection, this one starts without a cause; closing it ourselves
    // leaves it without one.
    m_cause = ConnectionCause::None;
    m_errorText.clear();
    m_attempt.start(m_remoteHost, m_remotePort);
}

RecorderSocket::State RecorderSocket::state() const
{
    if (m_attempt.isRunning())
        return State::Attempting;
    if (m_socket && m_socket->state() == QAbstractSocket::ConnectedState)
        return State::Connected;
    return State::Closed;
}

bool RecorderSocket::SendData(const QString &line, QObject *context, ReplyDone done,
                              ReplyPairing::Keep keep)
{
    if (state() != State::Connected || m_socket->bytesToWrite() >= maxBacklog)
        return false;
    m_charset.encode(line, m_lineBytes);
    const QByteArray &bytes = m_lineBytes;
    // Each line end is one reply to wait for; a line without one would run into the next.
    const qsizetype lines = bytes.count('\n');
    // Copied, not shared, so that the room stays ours for the next line.
    if (!bytes.endsWith('\n') || m_socket->write(bytes.constData(), bytes.size()) != bytes.size())
        return false;
    // Hand the line to the system now rather than at the next event-loop pass; everything
    // after this is bookkeeping.
    m_socket->flush();
    const QDeadlineTimer due(m_replyLimit, Qt::PreciseTimer);
    // A line that holds further line ends is that many commands to the recorder; the last
    // one's reply is the asker's.
    for (qsizetype i = 1; i < lines; ++i)
        m_pending.expect({due, nullptr, {}, ReplyPairing::Keep::Nothing});
    m_pending.expect({due, context, std::move(done), keep});
    if (!m_replyTimer.isActive())
        m_replyTimer.start(m_replyLimit);
    if (m_keepAliveTimer.isActive())
        m_keepAliveTimer.start();
    return true;
}

void RecorderSocket::takeOver(QTcpSocket *socket, const QByteArray &greeting)
{
    m_socket = socket;
    socket->setParent(this);
    connect(socket, &QTcpSocket::readyRead, this, &RecorderSocket::readReplies);
    connect(socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        m_cause = socketErrorCause(error);
        m_errorText = m_socket->errorString();
    });
    // Close() disconnects before it aborts, so a disconnect seen here always came from the
    // recorder's side.
    connect(socket, &QTcpSocket::disconnected, this, &RecorderSocket::peerClosed);

    const Greeting parts = Greeting::parse(greeting);
    m_charset = RecorderCharset(parts.charset);
    if (m_keepAliveInterval.count() > 0 && KeepAlive::recorderAllows(parts))
        m_keepAliveTimer.start(m_keepAliveInterval);
    Q_EMIT greeted(displayable(parts.host), displayable(parts.version), displayable(parts.clock));
    if (m_socket && m_socket->bytesAvailable())
        readReplies();
}

void RecorderSocket::readReplies()
{
    // In pieces of a fixed size, so that a recorder that floods needs no memory here.
    char chunk[16 * 1024];
    while (m_socket) {
        const qint64 size = m_socket->read(chunk, sizeof chunk);
        if (size <= 0)
            return;
        m_replyLines.feed(QByteArrayView(chunk, size),
                          [this](QByteArrayView line) { replyLine(line); });
    }
}

void RecorderSocket::replyLine(QByteArrayView line)
{
    if (!m_socket)
        return;
    ReplyPairing::Progress progress;
    std::optional<ReplyPairing::Completed> completed = m_pending.take(line, &progress);
    if (progress == ReplyPairing::Progress::Continued)
        m_replyProgress = QDeadlineTimer(m_replyLimit, Qt::PreciseTimer);
    if (!completed)
        return;
    armReplyClock();
    if (!completed->asker.done || !completed->asker.context)
        return;
    Reply reply {completed->code, {}};
    reply.lines.reserve(completed->lines.size());
    for (const QByteArray &text : std::as_const(completed->lines))
        reply.lines.append(displayable(text));
    // The asker may close the connection, and this object's state with it.
    completed->asker.done(reply);
}

void RecorderSocket::armReplyClock()
{
    // The clock runs until the oldest line still waiting for its reply is due.
    if (m_pending.isEmpty()) {
        m_replyTimer.stop();
        return;
    }
    const QDeadlineTimer due = std::max(m_pending.oldest().due, m_replyProgress);
    m_replyTimer.start(std::chrono::ceil<std::chrono::milliseconds>(due.remainingTimeAsDuration()));
}

void RecorderSocket::replyOverdue()
{
    if (!m_pending.isEmpty() && m_pending.oldest().due.hasExpired() && m_replyProgress.hasExpired())
        fail(ConnectionCause::NoReply);
    else
        armReplyClock();
}

void RecorderSocket::keepAlive()
{
    // The recorder answers "250 <host> is alive"; nobody needs to see that.
    SendData(Svdrp::pingLine());
}

void RecorderSocket::fail(ConnectionCause cause, const QString &systemText)
{
    Close();
    m_cause = cause;
    m_errorText = systemText;
}

QString RecorderSocket::displayable(QByteArrayView bytes)
{
    // Text from the network: a control character could rearrange or hide what the screen shows.
    QString text = m_charset.decode(bytes);
    for (QChar &c : text) {
        if (c.category() == QChar::Other_Control)
            c = u' ';
    }
    return text;
}
