// SPDX-License-Identifier: GPL-2.0-or-later
#include "recorder_link.h"

#include "command_lines.h"
#include "number_rules.h"

#include <optional>
#include <utility>

namespace {

// The port as the connect button reads it: lenient number, rounded half to even. A port
// that would not reach the socket unchanged counts as no port at all.
std::optional<quint16> portFromText(const QString &portText)
{
    const std::optional<qint32> port = Numbers::roundToInt32(Numbers::lenientNumber(portText));
    if (!port || *port < 1 || *port > 65535)
        return std::nullopt;
    return static_cast<quint16>(*port);
}

// The host as the connect button reads it: blanks and tabs around it do not count, and an IPv6
// address may stand in brackets as in a URL ("[fd00::5]").
QString hostFromText(const QString &hostText)
{
    QString host = hostText.trimmed();
    if (host.size() > 2 && host.startsWith(u'[') && host.endsWith(u']'))
        host = host.sliced(1, host.size() - 2);
    return host;
}

} // namespace

RecorderLink::RecorderLink(QObject *parent)
    : RecorderRequests(parent)
{
    Timer1.setInterval(pollInterval);
    connect(&Timer1, &QTimer::timeout, this, &RecorderLink::Timer1_Timer);
    connect(&client, &RecorderSocket::peerClosed, this, &RecorderLink::client_Close);
    connect(&client, &RecorderSocket::greeted, this, &RecorderLink::greeted);
    // The volume the desktop's media controls show; its answer is nobody's to see.
    connect(&client, &RecorderSocket::greeted, this, [this] {
        client.SendData(
            Svdrp::volumeLine(), this, [this](const Reply &r) { noteVolume(r); },
            ReplyPairing::Keep::LastLine);
    });
}

bool RecorderLink::connectPressed(const QString &hostText, const QString &portText)
{
    const QString host = hostFromText(hostText);
    const std::optional<quint16> port = portFromText(portText);
    const bool attempt = !host.isEmpty() && port;
    if (attempt) {
        m_fieldsCause = ConnectionCause::None;
        m_host = host;
        m_portText = portText;
        if (connected)
            vdr_disconnect();
        vdr_connect(host, *port);
    } else if (client.state() == RecorderSocket::State::Closed) {
        // A connection or attempt under way goes on, and the poll tells how that ends.
        m_fieldsCause = host.isEmpty() ? ConnectionCause::NoHost : ConnectionCause::InvalidPort;
    }
    Timer1.start();
    return attempt;
}

bool RecorderLink::disconnectPressed()
{
    if (!connected)
        return false;
    vdr_disconnect();
    return true;
}

void RecorderLink::vdr_connect(const QString &ip, quint16 port)
{
    client.Close();
    setUp(false);
    client.setRemoteHost(ip);
    client.setRemotePort(port);
    client.Connect();
    connected = true;
}

void RecorderLink::vdr_disconnect()
{
    client.Close();
    setUp(false);
    connected = false;
}

void RecorderLink::vdr_send(const QString &line, bool switching)
{
    if (!connected)
        return;
    // The line itself does not wait with the reply: a press may carry a long message, and
    // thousands may wait behind a recorder that has stopped reading.
    client.SendData(
        line, this,
        [this, switching](const Reply &reply) {
            Q_EMIT answered(switching, reply.code, reply.lines.value(reply.lines.size() - 1));
        },
        ReplyPairing::Keep::LastLine);
}

void RecorderLink::request(const QString &line, QObject *context, ReplyDone done)
{
    if (m_up)
        client.SendData(line, context, std::move(done));
}

void RecorderLink::setVolume(int volume)
{
    if (m_up)
        client.SendData(
            Svdrp::volumeLine(volume), this, [this](const Reply &reply) { noteVolume(reply); },
            ReplyPairing::Keep::LastLine);
}

void RecorderLink::noteVolume(const Reply &reply)
{
    const std::optional<int> volume = Svdrp::volumeInAnswer(reply.code, reply.lines.value(0));
    if (volume && volume != m_volume) {
        m_volume = volume;
        Q_EMIT volumeChanged(*volume);
    }
}

void RecorderLink::setUp(bool up)
{
    if (up == m_up)
        return;
    m_up = up;
    if (up) {
        Q_EMIT connectionUp();
    } else {
        m_volume.reset();
        Q_EMIT connectionEnded();
    }
}

void RecorderLink::Timer1_Timer()
{
    switch (client.state()) {
    case RecorderSocket::State::Connected:
        connected = true;
        setUp(true);
        break;
    case RecorderSocket::State::Attempting:
        // A slow attempt is not a failed one: wait for it to finish either way.
        break;
    case RecorderSocket::State::Closed:
        connected = false;
        Timer1.stop();
        setUp(false);
        Q_EMIT connectionDown(m_fieldsCause != ConnectionCause::None
                                  ? std::exchange(m_fieldsCause, ConnectionCause::None)
                                  : client.cause());
        break;
    }
}

void RecorderLink::client_Close()
{
    client.Close();
    setUp(false);
}
