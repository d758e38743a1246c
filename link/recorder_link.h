// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "recorder_socket.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>

// The connection to the recorder as the handset sees it: the connect and disconnect
// buttons, the status poll and the one door through which every command line leaves.
// The window subscribes to connectionUp/connectionDown and shows them.
class RecorderLink : public QObject
{
    Q_OBJECT

public:
    static constexpr auto pollInterval = std::chrono::milliseconds(500);

    explicit RecorderLink(QObject *parent = nullptr);

    // What the connect button does with the two field texts; true when it started an attempt.
    // Invalid fields (no host, a port that does not round into 1..65535) touch no socket;
    // polling starts either way, and finds them the reason why there is no connection.
    bool connectPressed(const QString &hostText, const QString &portText);
    // What the disconnect button does. Returns false, having done nothing, when no
    // connection was believed open.
    bool disconnectPressed();

    bool vdr_connect(const QString &ip, quint16 port);
    bool vdr_disconnect();
    // Sends a complete command line while a connection is believed open; otherwise, or
    // when the socket cannot take it, the line is dropped without a word.
    void vdr_send(const QString &line);

    // Idle time after which a PING keeps the connection open, where the recorder allows it;
    // zero turns keep-alive off.
    void setKeepAliveInterval(std::chrono::seconds interval)
    {
        client.setKeepAliveInterval(interval);
    }

    // Stops the status poll; only a press of connect starts it again.
    void stopPolling() { Timer1.stop(); }

    bool isConnected() const { return connected; }
    // The host as used and the port field's text, as they were at the last attempt started: the
    // connection goes there whatever the fields show since.
    QString host() const { return m_host; }
    QString portText() const { return m_portText; }
    bool isPolling() const { return Timer1.isActive(); }
    RecorderSocket::State socketState() const { return client.state(); }
    // The system's own words for the last failure, where its cause has no name of its own.
    QString errorText() const { return client.errorText(); }

Q_SIGNALS:
    // A poll found the connection established (repeated every poll while it lasts).
    void connectionUp();
    // A poll found no connection and no attempt under way; polling has stopped.
    void connectionDown(ConnectionCause cause);
    // What the recorder said (see RecorderSocket).
    void greeted(const QString &host, const QString &version);
    void answered(int code, const QString &text);

private:
    void Timer1_Timer();
    void client_Close();

    RecorderSocket client;
    QTimer Timer1;
    bool connected = false;
    // Set by a press of connect with unusable fields while no connection was there to keep.
    ConnectionCause m_fieldsCause = ConnectionCause::None;
    QString m_host;
    QString m_portText;
};
