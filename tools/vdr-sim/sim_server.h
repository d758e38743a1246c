// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "simulated_recorder.h"

#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTextStream>

#include <optional>

class QTcpSocket;

// How the simulated recorder treats its clients, including the ways real ones fail them.
struct SimBehaviour
{
    QByteArray version = "2.6.0"; // the VDR version the greeting names
    // Seconds without a command after which a client is sent off, as VDR's SVDRPTimeout does;
    // 0 for never.
    int idleTimeout = 0;
    // Every client gets "Access denied!" and is closed, as from a VDR whose svdrphosts.conf
    // does not list it.
    bool deny = false;
    // Sent instead of VDR's greeting when set; set but empty, nothing is sent, as from an
    // older VDR that is busy with another client.
    std::optional<QByteArray> firstLine;
    // Negative: lines are read but never answered, as by a recorder that has hung.
    int replyDelayMs = 0;
    // The character set the greeting names.
    QByteArray charset = "UTF-8";
    // Replies chosen for command lines (without their line end), instead of the recorder's
    // own; at a line whose reply is empty the recorder hangs and answers nothing from then on.
    QHash<QByteArray, QByteArray> replies;
    // The greeting and each reply are written in three pieces, a moment apart, so that the
    // client reads them in several reads.
    bool splitReplies = false;
    // Lists (LSTC, LSTE) are written at this many bytes a second, and what is answered after
    // them waits its turn; 0 for at once.
    int slowBytesPerSecond = 0;
    QList<SimChannel> channels = standardChannels();
    int programmeSeconds = 1800;
    QList<int> withoutProgrammes;
    // The first line of each client is answered after this many MiB of "250-" lines of 1 KB,
    // as by a recorder (or anything on its port) that floods.
    int floodMiB = 0;
    // Every channel with a schedule has a week of programmes from shortly before the start.
    bool week = false;
    // The recorder's clock stands at this time (seconds since 1970) when set.
    std::optional<qint64> clock;
    // The recorder's local time: its greeting, its timers' days and times.
    QTimeZone zone = QTimeZone::systemTimeZone();
    // Timers set before the first client, as NEWT would set them.
    QList<QByteArray> timers;
    // DELT of a recording timer is refused, as by VDRs before 2.4.
    bool refuseRecordingDelete = false;
};

// Serves any number of clients at once with one simulated recorder and prints every
// command line it receives, with the time and the client's number, to stdout.
class SimServer : public QObject
{
    Q_OBJECT
public:
    explicit SimServer(const SimBehaviour &behaviour, QObject *parent = nullptr);

    // Prints the address and port it listens on, so a port of 0 can be learned.
    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_server.errorString(); }

private:
    void acceptClients();
    void serve(QTcpSocket *socket, int client);
    void reply(QTcpSocket *socket, const RecorderAnswer &answer);
    void sendPiece(QTcpSocket *socket);
    void flood(QTcpSocket *socket, int client);
    void dropClient(QTcpSocket *socket, int client);
    void print(int client, const QString &text);

    QTcpServer m_server;
    SimulatedRecorder m_recorder;
    QHash<QTcpSocket *, LineSplitter> m_lines;
    // Each client's reply pieces still to go, each with the time it waits after the one before.
    struct Piece
    {
        QByteArray bytes;
        int gapMs = 0;
        bool closes = false;
    };
    QHash<QTcpSocket *, QList<Piece>> m_queues;
    QTextStream m_out;
    int m_clientCount = 0;
    SimBehaviour m_behaviour;
};
