// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include "recorder_requests.h"
#include "recorder_socket.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <optional>

// The connection to the recorder as the handset sees it: the connect and disconnect buttons, the
// status poll, vdr_send for the user's presses, whose answers the window shows, and request() for
// the lines the program sends by itself, whose replies go to whoever asked.
// The window subscribes to connectionUp/connectionDown and shows them.
class RecorderLink : public RecorderRequests
{
    Q_OBJECT

public:
    static constexpr auto pollInterval = std::chrono::milliseconds(500);
    // The port the port field starts with, and the fallback when none is configured.
    static constexpr quint16 defaultPort = 2001;

    explicit RecorderLink(QObject *parent = nullptr);

    // What the connect button does with the two field texts; true when it started an attempt.
    // Invalid fields (no host, a port that does not round into 1..65535) touch no socket;
    // polling starts either way, and finds them the reason why there is no connection.
    bool connectPressed(const QString &hostText, const QString &portText);
    // What the disconnect button does. Returns false, having done nothing, when no
    // connection was believed open.
    bool disconnectPressed();

    void vdr_connect(const QString &ip, quint16 port);
    void vdr_disconnect();
    // Sends a complete command line for the user while a connection is believed open; its
    // answer is announced by answered(), with switching as the caller gave it (a line whose
    // answer names the channel switched to). Otherwise, or when the socket cannot take it, the
    // line is dropped without a word.
    void vdr_send(const QString &line, bool switching = false);
    void request(const QString &line, QObject *context, ReplyDone done) override;

    // Idle time after which a PING keeps the connection open, where the recorder allows it;
    // zero turns keep-alive off.
    void setKeepAliveInterval(std::chrono::seconds interval)
    {
        client.setKeepAliveInterval(interval);
    }
    // The limits of an attempt and of a reply; only tests shorten them.
    void setLimits(std::chrono::milliseconds attempt, std::chrono::milliseconds reply)
    {
        client.setLimits(attempt, reply);
    }

    // Stops the status poll; only a press of connect starts it again. Tests hold the poll back
    // with it, to press between the greeting and the poll that finds the connection up.
    void stopPolling() { Timer1.stop(); }

    bool isConnected() const { return connected; }
    bool isUp() const override { return m_up; }
    // The host as used and the port field's text, as they were at the last attempt started: the
    // connection goes there whatever the fields show since.
    QString host() const { return m_host; }
    QString portText() const { return m_portText; }
    bool isPolling() const { return Timer1.isActive(); }
    RecorderSocket::State socketState() const { return client.state(); }
    // The system's own words for the last failure, where its cause has no name of its own.
    QString errorText() const { return client.errorText(); }

    // The recorder's audio volume, 0..255, as it last named it; none before it has.
    std::optional<int> volume() const { return m_volume; }
    // Asks the recorder to set its volume (0..255) while the connection is up.
    void setVolume(int volume);

Q_SIGNALS:
    // A poll found no connection and no attempt under way; polling has stopped.
    void connectionDown(ConnectionCause cause);
    void volumeChanged(int volume);

private:
    void Timer1_Timer();
    void client_Close();
    void setUp(bool up);
    void noteVolume(const Reply &reply);

    RecorderSocket client;
    QTimer Timer1;
    bool connected = false;
    bool m_up = false;
    // Set by a press of connect with unusable fields while no connection was there to keep.
    ConnectionCause m_fieldsCause = ConnectionCause::None;
    QString m_host;
    QString m_portText;
    std::optional<int> m_volume;
};
