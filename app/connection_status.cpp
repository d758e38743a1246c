// SPDX-License-Identifier: GPL-2.0-or-later
#include "connection_status.h"

#include "recorder_socket.h"

using namespace Qt::StringLiterals;

namespace ConnectionStatus {

namespace {

// VDR has listened on 6419 since 1.7.15 and on 2001 before.
constexpr auto vdrPorts = "VDR uses port 6419 (2001 before VDR 1.7.15)";

struct Wording
{
    QString why; // in brackets after "Not connected"
    QString help;
};

// Each cause's words and its help, side by side.
Wording wording(ConnectionCause cause, const QString &systemText)
{
    const QString ports = QString::fromLatin1(vdrPorts);
    const auto attempt = RecorderSocket::attemptTimeout.count();
    switch (cause) {
    case ConnectionCause::None:
        return {};
    case ConnectionCause::AccessDenied:
        return {u"access denied"_s,
                u"The recorder does not accept this computer: add its address to svdrphosts.conf "
                "on the recorder and restart VDR."_s};
    case ConnectionCause::Refused:
        return {u"refused"_s,
                u"Nothing accepts connections on this port: %1, and a VDR whose svdrphosts.conf "
                "lists only 127.0.0.1 listens on its own computer alone."_s.arg(ports)};
    case ConnectionCause::HostNotFound:
        return {u"host not found"_s,
                u"This host name is not known here: check its spelling, or type the recorder's "
                "IP address."_s};
    case ConnectionCause::LookupTimedOut:
        return {u"lookup timed out"_s,
                u"The name server did not answer within %1 seconds: check the network, or type "
                "the recorder's IP address."_s.arg(attempt)};
    case ConnectionCause::NoAnswer:
        return {u"no answer"_s,
                u"The host did not answer within %1 seconds: check that the recorder is switched "
                "on and on this network, and that no firewall blocks the port."_s.arg(attempt)};
    case ConnectionCause::RecorderBusy:
        return {u"recorder busy"_s,
                u"The recorder took the connection but did not greet within %1 seconds: a VDR "
                "before 2.4 serves one client at a time, so close the other one and connect "
                "again."_s.arg(attempt)};
    case ConnectionCause::NotAVdr:
        return {u"not a VDR"_s, u"Something other than VDR answers on this port: %1."_s.arg(ports)};
    case ConnectionCause::ClosedByRecorder:
        return {u"closed by recorder"_s,
                u"The recorder ended the connection (VDR quit or restarted, or closed it after "
                "SVDRPTimeout seconds without a command): connect again."_s};
    case ConnectionCause::NoReply:
        return {u"no reply"_s,
                u"The recorder did not answer a command within %1 seconds, so it has hung or left "
                "the network: check it, then connect again."_s.arg(
                    RecorderSocket::replyTimeout.count())};
    case ConnectionCause::NoHost:
        return {u"no host"_s, u"Type the recorder's host name or IP address, then connect."_s};
    case ConnectionCause::InvalidPort:
        return {
            u"invalid port"_s,
            u"Type the recorder's SVDRP port, a whole number from 1 to 65535: %1."_s.arg(ports)};
    case ConnectionCause::Unreachable:
        return {u"unreachable"_s,
                u"The network found no way to the recorder (%1): check that it is switched on "
                "and on this network."_s.arg(systemText)};
    case ConnectionCause::NotPermitted:
        return {u"not permitted"_s,
                u"This computer does not allow the connection (%1): check its firewall."_s.arg(
                    systemText)};
    case ConnectionCause::SocketError:
        return {u"socket error"_s, u"The connection failed (%1)."_s.arg(systemText)};
    }
    return {};
}

} // namespace

QString text(ConnectionCause cause)
{
    const QString why = wording(cause, {}).why;
    return why.isEmpty() ? u"Not connected"_s : u"Not connected (%1)"_s.arg(why);
}

QString help(ConnectionCause cause, const QString &systemText)
{
    return wording(cause, systemText).help;
}

} // namespace ConnectionStatus
