// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

// A recorder on 127.0.0.1 for the window tests: greets, records the exact bytes of each
// connection, answers each line, and misbehaves on demand (refuse, close,
// flood, stop reading).
#include <QTcpServer>
#include <QTcpSocket>
#include <memory>

class Recorder : public QObject
{
public:
    // Written to each new connection.
    QByteArray greeting = "220 vdr SVDRP VideoDiskRecorder 2.6.0; Mon Dec  7 19:18:03 2026\r\n";
    // Written for each line received, but for a line that starts as one of replies does.
    QByteArray answer = "250 ok\r\n";
    QList<std::pair<QByteArray, QByteArray>> replies;
    QList<QTcpSocket *> sockets;
    QList<QByteArray> received;

    Recorder()
    {
        connect(&m_server, &QTcpServer::newConnection, this, &Recorder::accept);
        // An even port, so that half a port above or below it rounds back to it. Linux hands
        // out odd ports for listening, so the even one above a free odd one is tried.
        for (int tries = 0; tries < 20 && !m_port; ++tries) {
            m_server.listen(QHostAddress::LocalHost);
            m_port = m_server.serverPort() + 1;
            m_server.close();
            if (m_port % 2 || !listen())
                m_port = 0;
        }
    }
    quint16 port() const { return m_port; }
    bool listen(int backlog = 50)
    {
        m_server.setListenBacklogSize(backlog);
        return m_server.listen(QHostAddress::LocalHost, m_port);
    }
    void refuse() { m_server.close(); }
    // Leaves what arrives in the kernel, so that the client's send buffer fills up.
    void stopReading(int index) { sockets[index]->setReadBufferSize(1); }

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            const auto index = sockets.size();
            sockets.append(socket);
            received.append(QByteArray());
            // A read buffer of one byte stands for a recorder that stopped reading.
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, index] {
                const QByteArray bytes = socket->readBufferSize() ? "" : socket->readAll();
                qsizetype from = received[index].lastIndexOf('\n') + 1;
                received[index] += bytes;
                for (qsizetype end; (end = received[index].indexOf('\n', from)) >= 0;
                     from = end + 1) {
                    const QByteArray line = received[index].sliced(from, end + 1 - from);
                    const auto reply
                        = std::find_if(replies.cbegin(), replies.cend(),
                                       [&](const auto &r) { return line.startsWith(r.first); });
                    socket->write(reply == replies.cend() ? answer : reply->second);
                }
            });
            socket->write(greeting);
        }
    }

    QTcpServer m_server;
    quint16 m_port = 0;
};
