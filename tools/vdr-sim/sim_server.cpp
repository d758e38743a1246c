// SPDX-License-Identifier: GPL-2.0-or-later
#include "sim_server.h"

#include <QDateTime>
#include <QHostInfo>
#include <QTcpSocket>
#include <QTime>
#include <QTimer>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

// A client that never ends its line must not make the simulator hoard memory.
constexpr qsizetype maxLineLength = 64 * 1024;

} // namespace

SimServer::SimServer(const SimBehaviour &behaviour, QObject *parent)
    : QObject(parent)
    , m_recorder(QHostInfo::localHostName().toUtf8(), behaviour.version, behaviour.charset,
                 behaviour.channels, behaviour.programmeSeconds)
    , m_out(stdout)
    , m_behaviour(behaviour)
{
    m_recorder.setWithoutProgrammes(behaviour.withoutProgrammes);
    m_recorder.setTimeZone(behaviour.zone);
    if (behaviour.clock)
        m_recorder.setClock(*behaviour.clock);
    m_recorder.setRefuseRecordingDelete(behaviour.refuseRecordingDelete);
    if (behaviour.week)
        m_recorder.setWeek();
    for (const QByteArray &timer : behaviour.timers)
        m_recorder.addTimer(timer);
    connect(&m_server, &QTcpServer::newConnection, this, &SimServer::acceptClients);
}

bool SimServer::listen(const QHostAddress &address, quint16 port)
{
    if (!m_server.listen(address, port))
        return false;
    m_out << u"listening on "_s << m_server.serverAddress().toString() << u" port "_s
          << m_server.serverPort() << Qt::endl;
    return true;
}

void SimServer::acceptClients()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const int client = ++m_clientCount;
        m_lines.insert(socket, LineSplitter());
        print(client,
              u"connected from %1 port %2"_s.arg(socket->peerAddress().toString())
                  .arg(socket->peerPort()));
        connect(socket, &QTcpSocket::disconnected, this,
                [this, socket, client] { dropClient(socket, client); });
        if (m_behaviour.deny) {
            // VDR's words, with a bare LF, and the door shut at once.
            socket->write("Access denied!\n");
            socket->disconnectFromHost();
            print(client, u"access denied"_s);
            continue;
        }
        auto *idle = new QTimer(socket);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, socket, [this, socket, client] {
            print(client, u"idle timeout"_s);
            socket->write("221 closing connection (idle timeout)\r\n");
            socket->disconnectFromHost();
        });
        if (m_behaviour.idleTimeout > 0)
            idle->start(std::chrono::seconds(m_behaviour.idleTimeout));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, client, idle] {
            if (idle->isActive())
                idle->start();
            serve(socket, client);
        });
        if (!m_behaviour.firstLine)
            reply(socket, {m_recorder.greeting()});
        else if (!m_behaviour.firstLine->isEmpty())
            socket->write(*m_behaviour.firstLine + "\r\n");
    }
}

void SimServer::serve(QTcpSocket *socket, int client)
{
    const QByteArray bytes = socket->readAll();
    // After QUIT the client is on its way out; whatever else it sends is not a command.
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    LineSplitter &lines = m_lines[socket];
    for (const QByteArray &line : lines.feed(bytes)) {
        print(client, wireText(line));
        const QByteArray command = line.trimmed();
        const auto chosen = m_behaviour.replies.constFind(command);
        if (chosen != m_behaviour.replies.cend() && chosen->isEmpty())
            socket->setProperty("hung", true);
        if (m_behaviour.replyDelayMs < 0 || m_behaviour.firstLine
            || socket->property("hung").toBool())
            continue; // hung, or no VDR to answer
        if (m_behaviour.floodMiB > 0 && !socket->property("flooded").toBool())
            flood(socket, client);
        const RecorderAnswer answer = chosen != m_behaviour.replies.cend()
            ? RecorderAnswer {*chosen + "\r\n"}
            : m_recorder.answer(line);
        // A late answer has the socket as context: one due after its client has gone is dropped.
        if (m_behaviour.replyDelayMs > 0)
            QTimer::singleShot(m_behaviour.replyDelayMs, socket,
                               [this, socket, answer] { reply(socket, answer); });
        else
            reply(socket, answer);
        if (answer.closesConnection)
            return;
    }
    if (lines.pendingSize() > maxLineLength)
        print(client, wireText(lines.takePending()) + u" (line too long, dropped)"_s);
}

void SimServer::reply(QTcpSocket *socket, const RecorderAnswer &answer)
{
    // Where the pieces end, and the time each waits after the one before.
    QList<qsizetype> ends;
    int gapMs = 0;
    const qsizetype size = answer.text.size();
    const qint64 rate = m_behaviour.slowBytesPerSecond;
    if (answer.bulky && rate > 0) {
        // Twenty pieces a second, or one byte at a time if that is slower; a short reply waits
        // only as long as its bytes take, as on a slow link.
        const qsizetype piece = std::max<qint64>(1, rate / 20);
        for (qsizetype end = piece; end < size + piece; end += piece)
            ends.append(std::min(end, size));
        gapMs = int((std::min(piece, size) * 1000 + rate / 2) / rate);
    } else if (m_behaviour.splitReplies) {
        // The first piece ends inside the code, the second inside the text.
        ends = {std::min<qsizetype>(2, size), (size + 2) / 2, size};
        gapMs = 50;
    } else {
        ends = {size};
    }
    // Each client's pieces go out one after the other, so that replies never mix.
    QList<Piece> &queue = m_queues[socket];
    const bool idle = queue.isEmpty();
    for (qsizetype at = 0, start = 0; at < ends.size(); start = ends[at++])
        queue.append({answer.text.sliced(start, ends[at] - start), gapMs,
                      at + 1 == ends.size() && answer.closesConnection});
    if (idle && gapMs == 0)
        sendPiece(socket);
    else if (idle)
        QTimer::singleShot(gapMs, socket, [this, socket] { sendPiece(socket); });
}

void SimServer::sendPiece(QTcpSocket *socket)
{
    const auto found = m_queues.find(socket);
    if (found == m_queues.end() || found->isEmpty())
        return; // the client has gone
    QList<Piece> &queue = *found;
    const Piece piece = queue.takeFirst();
    socket->write(piece.bytes);
    socket->flush();
    if (piece.closes)
        socket->disconnectFromHost();
    if (!queue.isEmpty())
        QTimer::singleShot(queue.first().gapMs, socket, [this, socket] { sendPiece(socket); });
}

void SimServer::flood(QTcpSocket *socket, int client)
{
    socket->setProperty("flooded", true);
    const QByteArray line = "250-" + QByteArray(1019, 'x') + "\r\n";
    const QByteArray mebibyte = line.repeated((1 << 20) / line.size());
    for (int i = 0; i < m_behaviour.floodMiB; ++i)
        socket->write(mebibyte);
    print(client, u"flooding %1 MiB"_s.arg(m_behaviour.floodMiB));
    // Once the system has taken all of it, the client has read nearly all of it too.
    auto *written = new QObject(socket);
    connect(socket, &QTcpSocket::bytesWritten, written, [this, socket, client, written] {
        if (socket->bytesToWrite() > 0 || written->property("said").toBool())
            return;
        written->setProperty("said", true);
        print(client, u"flood written"_s);
    });
}

void SimServer::dropClient(QTcpSocket *socket, int client)
{
    m_queues.remove(socket);
    const QByteArray unfinished = m_lines.take(socket).takePending();
    if (!unfinished.isEmpty())
        print(client, wireText(unfinished) + u" (no line end)"_s);
    print(client, u"closed"_s);
    socket->deleteLater();
}

void SimServer::print(int client, const QString &text)
{
    m_out << QTime::currentTime().toString(Qt::ISODateWithMs) << u" #"_s << client << u' ' << text
          << Qt::endl;
}
