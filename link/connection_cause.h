// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QAbstractSocket>
#include <QByteArrayView>

// Why there is no connection, as far as the link can tell. The window turns each into a short
// status text and a sentence of help.
enum class ConnectionCause {
    None, // never tried, or closed by the user
    AccessDenied, // the recorder answered "Access denied!"
    Refused, // nothing accepts connections on that port
    HostNotFound,
    LookupTimedOut, // the name server did not answer in time
    NoAnswer, // the handshake did not complete in time
    RecorderBusy, // connected, but no greeting in time: an older VDR serving another client
    NotAVdr, // the first line was no SVDRP greeting
    ClosedByRecorder,
    NoReply, // a command got no answer in time
    NoHost, // the host field was empty
    InvalidPort, // the port field held no usable port
    Unreachable, // the network found no way to the host
    NotPermitted, // the system refused to connect (a firewall rule, for instance)
    SocketError, // anything else the system reported; stays last
};
inline constexpr ConnectionCause lastConnectionCause = ConnectionCause::SocketError;

// What the first line a recorder sends says about the connection: None for an SVDRP greeting
// ("220 <host> SVDRP VideoDiskRecorder ..."), AccessDenied for VDR's refusal of a client its
// svdrphosts.conf does not list, NotAVdr for anything else. The line may end in CR LF, LF or
// not at all.
ConnectionCause firstLineCause(QByteArrayView line);

// What a socket's error says about the connection. RemoteHostClosed is the recorder's close.
ConnectionCause socketErrorCause(QAbstractSocket::SocketError error);
