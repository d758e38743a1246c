#pragma once

#include "simulated_recorder.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTextStream>

class QTcpSocket;

// Serves any number of clients at once with one simulated recorder and prints every
// command line it receives, with the time and the client's number, to stdout.
class SimServer : public QObject
{
    Q_OBJECT
public:
    // version: the VDR version the greeting names. idleTimeout: seconds without a command
    // after which a client is sent off, as VDR's SVDRPTimeout does; 0 for never.
    explicit SimServer(const QByteArray &version, int idleTimeout, QObject *parent = nullptr);

    // Prints the address and port it listens on, so a port of 0 can be learned.
    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }

private:
    void acceptClients();
    void serve(QTcpSocket *socket, int client);
    void dropClient(QTcpSocket *socket, int client);
    void print(int client, const QString &text);

    QTcpServer m_server;
    SimulatedRecorder m_recorder;
    QHash<QTcpSocket *, LineSplitter> m_lines;
    QTextStream m_out;
    int m_clientCount = 0;
    int m_idleTimeout = 0;
};
